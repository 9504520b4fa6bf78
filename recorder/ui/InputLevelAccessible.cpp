// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputLevelAccessible.h"

#include "InputLevelWidget.h"
#include "InputMeter.h"

InputLevelAccessible::InputLevelAccessible(InputLevelWidget *widget)
    : QAccessibleWidget(widget, QAccessible::Indicator)
{
}

const InputLevelWidget *InputLevelAccessible::meterWidget() const
{
    return static_cast<const InputLevelWidget *>(widget());
}

void *InputLevelAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString InputLevelAccessible::text(QAccessible::Text kind) const
{
    const InputMeter &meter = meterWidget()->meter();
    if (kind == QAccessible::Value)
        return QString::fromStdString(meter.loudestText());
    if (kind == QAccessible::Description && !meter.hasInput())
        return QStringLiteral("no input");
    return QAccessibleWidget::text(kind);
}

QVariant InputLevelAccessible::currentValue() const
{
    return meterWidget()->meter().loudestDb();
}

QVariant InputLevelAccessible::minimumValue() const
{
    return InputMeter::kFloorDb;
}
