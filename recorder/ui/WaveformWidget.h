// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class TakeModel;
class WaveformView;

// The two waveform strips, left channel above right, with the position
// cursor, painted in the window's palette. A screen reader meets it as a chart
// named "Waveform" whose description tells the take (its length and marks);
// mouse clicks and the context menu are the window's.
class WaveformWidget : public QWidget {
    Q_OBJECT
public:
    // Between the two strips.
    static constexpr int kStripGap = 5;

    WaveformWidget(const WaveformView &view, const TakeModel &model, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const WaveformView &view_;
    const TakeModel &model_;
};
