// SPDX-License-Identifier: GPL-3.0-or-later
#include "PositionBarAccessible.h"

#include "PositionBar.h"

PositionBarAccessible::PositionBarAccessible(PositionBar *bar)
    : QAccessibleWidget(bar, QAccessible::Slider)
{
}

PositionBar *PositionBarAccessible::bar() const
{
    return static_cast<PositionBar *>(widget());
}

void *PositionBarAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PositionBarAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return QStringLiteral("%1 s").arg(bar()->value());
    return QAccessibleWidget::text(kind);
}

QVariant PositionBarAccessible::currentValue() const
{
    return bar()->value();
}

void PositionBarAccessible::setCurrentValue(const QVariant &value)
{
    bar()->moveTo(value.toInt());
}

QVariant PositionBarAccessible::maximumValue() const
{
    return bar()->maximum();
}

QVariant PositionBarAccessible::minimumValue() const
{
    return bar()->minimum();
}
