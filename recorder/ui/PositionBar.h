// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>

// The position in the take, in whole seconds: the scroll bar under the
// waveform. It takes the keyboard focus: Left and Right move it back and on
// by a second, Page Up and Page Down by a page of the waveform (the bar's own
// page is a second, which keeps its thumb narrow), Home and End to the take's
// ends. Every move is one the window hears as the mouse's (actionTriggered).
class PositionBar : public QScrollBar {
    Q_OBJECT
public:
    static constexpr int kFocusWidth = 2;

    explicit PositionBar(int pageSeconds, QWidget *parent);
    // The frame that shows the bar has the keyboard focus.
    static QColor focusColour(const QPalette &palette);

    // Moves to a second, as dragging the thumb there would.
    void moveTo(int seconds);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int pageSeconds_;
};
