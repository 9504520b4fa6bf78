// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputLevelWidget.h"

#include "Contrast.h"
#include "InputMeter.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kBarHeight = 7;
constexpr int kGap = 3;
constexpr int kClipWidth = 10;
// Where the bar turns from green to yellow, and from yellow to red.
constexpr double kLoudDb = -12.0;
constexpr double kHotDb = -3.0;

const QColor kHot(0xd0, 0x30, 0x20);

// Green, yellow and red, as readable on the bar's trough as their hues allow.
QColor colourAt(double db, const QColor &trough)
{
    if (db >= kHotDb)
        return Contrast::readableOn(kHot, trough);
    if (db >= kLoudDb)
        return Contrast::readableOn(QColor(0xe0, 0xc0, 0x20), trough);
    return Contrast::readableOn(QColor(0x30, 0xa0, 0x40), trough);
}
} // namespace

InputLevelWidget::InputLevelWidget(const InputMeter &meter, QWidget *parent)
    : QWidget(parent), meter_(meter)
{
    setObjectName(QLatin1String(kObjectName));
    setAccessibleName(QStringLiteral("Input level"));
}

void InputLevelWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int top = (height() - 2 * kBarHeight - kGap) / 2;
    const int barWidth = width() - kClipWidth - kGap;
    if (!meter_.hasInput()) {
        painter.setPen(Contrast::readableOn(palette().color(QPalette::WindowText),
                                            palette().color(QPalette::Window)));
        painter.drawText(QRect(0, 0, barWidth, height()), Qt::AlignCenter,
                         QStringLiteral("no input"));
        return;
    }
    for (int channel = 0; channel < 2; ++channel) {
        const int y = top + channel * (kBarHeight + kGap);
        paintChannel(painter, channel, QRect(0, y, barWidth, kBarHeight),
                     QRect(barWidth + kGap, y, kClipWidth, kBarHeight));
    }
}

// A trough in the palette's base colour, framed in its mid colour, holds the
// bar and the clip mark.
void InputLevelWidget::paintChannel(QPainter &painter, int channel, const QRect &bar,
                                    const QRect &clip)
{
    const QColor trough = palette().color(QPalette::Base);
    for (const QRect &frame : {bar, clip}) {
        painter.fillRect(frame, palette().color(QPalette::Mid));
        painter.fillRect(frame.adjusted(1, 1, -1, -1), trough);
    }
    if (meter_.clipped(channel))
        painter.fillRect(clip.adjusted(1, 1, -1, -1), Contrast::readableOn(kHot, trough));
    const QRect inside = bar.adjusted(1, 1, -1, -1);
    const double peak = meter_.peakDb(channel);
    const int lit = int(InputMeter::fractionOf(peak) * inside.width());
    painter.fillRect(QRect(inside.left(), inside.top(), lit, inside.height()),
                     colourAt(peak, trough));
    const double held = meter_.heldDb(channel);
    const int mark = inside.left() + int(InputMeter::fractionOf(held) * (inside.width() - 2));
    if (held > InputMeter::kFloorDb)
        painter.fillRect(QRect(mark, inside.top(), 2, inside.height()), colourAt(held, trough));
}

void InputLevelWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clipMarksClicked();
}
