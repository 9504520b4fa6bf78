// SPDX-License-Identifier: GPL-3.0-or-later
#include "PositionBar.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

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

// The style draws a scroll bar without a sign of the keyboard focus.
void PositionBar::paintEvent(QPaintEvent *event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}
