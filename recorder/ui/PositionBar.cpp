// SPDX-License-Identifier: GPL-3.0-or-later
#include "PositionBar.h"

#include "Contrast.h"

#include <QKeyEvent>
#include <QPainter>

PositionBar::PositionBar(int pageSeconds, QWidget *parent)
    : QScrollBar(Qt::Horizontal, parent), pageSeconds_(pageSeconds)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PositionBar::moveTo(int seconds)
{
    setSliderPosition(seconds);
    triggerAction(SliderMove);
}

// Qt's scroll bar moves right on Left (its controls are inverted for the
// wheel); time runs left to right here. Up, Down, Home and End stay Qt's: Up
// goes back, Down on, as Page Up and Page Down do.
void PositionBar::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() != Qt::NoModifier) {
        QScrollBar::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        triggerAction(SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        triggerAction(SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        moveTo(sliderPosition() - pageSeconds_);
        break;
    case Qt::Key_PageDown:
        moveTo(sliderPosition() + pageSeconds_);
        break;
    default:
        QScrollBar::keyPressEvent(event);
    }
}

QColor PositionBar::focusColour(const QPalette &palette)
{
    return Contrast::readableOn(palette.color(QPalette::Highlight),
                                palette.color(QPalette::Window));
}

// The style marks a focused scroll bar faintly if at all: the bar is framed
// in the highlight colour, as dark or light as the window needs to show it.
void PositionBar::paintEvent(QPaintEvent *event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(focusColour(palette()), kFocusWidth));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}
