// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputLevelWidget.h"

#include "InputLevelAccessible.h"
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

QColor colourAt(double db)
{
    if (db >= kHotDb)
        return QColor(0xd0, 0x30, 0x20);
    if (db >= kLoudDb)
        return QColor(0xe0, 0xc0, 0x20);
    return QColor(0x30, 0xa0, 0x40);
}
} // namespace

InputLevelWidget::InputLevelWidget(const InputMeter &meter, QWidget *parent)
    : QWidget(parent), meter_(meter)
{
    // Before anything asks for its accessible interface, which is kept once made.
    InputLevelAccessible::meterMade();
    setObjectName(QLatin1String(kObjectName));
    setAccessibleName(QStringLiteral("Input level"));
}

InputLevelWidget::~InputLevelWidget()
{
    InputLevelAccessible::meterGone();
}

void InputLevelWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int top = (height() - 2 * kBarHeight - kGap) / 2;
    const int barWidth = width() - kClipWidth - kGap;
    for (int channel = 0; channel < 2; ++channel) {
        const int y = top + channel * (kBarHeight + kGap);
        paintChannel(painter, channel, QRect(0, y, barWidth, kBarHeight),
                     QRect(barWidth + kGap, y, kClipWidth, kBarHeight));
    }
    if (!meter_.hasInput()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, 0, barWidth, height()), Qt::AlignCenter,
                         QStringLiteral("no input"));
    }
}

void InputLevelWidget::paintChannel(QPainter &painter, int channel, const QRect &bar,
                                    const QRect &clip)
{
    painter.fillRect(bar, palette().color(QPalette::Mid));
    painter.fillRect(clip, meter_.clipped(channel) ? QColor(0xd0, 0x30, 0x20)
                                                   : palette().color(QPalette::Mid));
    if (!meter_.hasInput())
        return;
    const double peak = meter_.peakDb(channel);
    const int lit = int(InputMeter::fractionOf(peak) * bar.width());
    painter.fillRect(QRect(bar.left(), bar.top(), lit, bar.height()), colourAt(peak));
    const double held = meter_.heldDb(channel);
    const int mark = bar.left() + int(InputMeter::fractionOf(held) * (bar.width() - 2));
    if (held > InputMeter::kFloorDb)
        painter.fillRect(QRect(mark, bar.top(), 2, bar.height()), colourAt(held));
}

void InputLevelWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clipMarksClicked();
}
