// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformWidget.h"

#include "TakeModel.h"
#include "WaveformPalette.h"
#include "WaveformView.h"

#include <QPainter>

WaveformWidget::WaveformWidget(const WaveformView &view, const TakeModel &model, QWidget *parent)
    : QWidget(parent), view_(view), model_(model)
{
    setObjectName(QStringLiteral("waveform"));
    setAccessibleName(QStringLiteral("Waveform"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(view_.width(), 2 * view_.height() + kStripGap);
}

void WaveformWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QList<QRgb> colours = WaveformPalette::colourTable(palette());
    const int h = view_.height();
    QImage strip = view_.leftPicture();
    strip.setColorTable(colours);
    painter.drawImage(0, 0, strip);
    strip = view_.rightPicture();
    strip.setColorTable(colours);
    painter.drawImage(0, h + kStripGap, strip);

    const std::optional<double> cursor = model_.cursorSeconds();
    const std::optional<int> x = cursor ? view_.cursorX(*cursor) : std::nullopt;
    if (!x)
        return;
    painter.setPen(WaveformPalette::cursor(palette()));
    painter.drawLine(*x, 0, *x, h);
    painter.drawLine(*x, h + kStripGap, *x, 2 * h + kStripGap);
}
