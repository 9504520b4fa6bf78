// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class InputMeter;

// The input meter beside the Record button: one bar per channel (left above
// right) from -60 dBFS to full scale with the held peak marked, a clip mark
// per channel at the right end, and "no input" when there is no source. A
// click clears the clip marks. It draws the window's InputMeter and keeps
// nothing of its own.
class InputLevelWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kObjectName = "inputLevel";

    InputLevelWidget(const InputMeter &meter, QWidget *parent);
    const InputMeter &meter() const { return meter_; }

signals:
    void clipMarksClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void paintChannel(class QPainter &painter, int channel, const QRect &bar, const QRect &clip);

    const InputMeter &meter_;
};
