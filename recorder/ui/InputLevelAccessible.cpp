// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputLevelAccessible.h"

#include "InputLevelWidget.h"
#include "InputMeter.h"

namespace {
QAccessibleInterface *forInputLevel(const QString &className, QObject *object)
{
    if (className == QLatin1String("InputLevelWidget") && object && object->isWidgetType())
        return new InputLevelAccessible(static_cast<InputLevelWidget *>(object));
    return nullptr;
}

int metersAlive = 0;
} // namespace

InputLevelAccessible::InputLevelAccessible(InputLevelWidget *widget)
    : QAccessibleWidget(widget, QAccessible::Indicator)
{
}

void InputLevelAccessible::meterMade()
{
    if (metersAlive++ == 0)
        QAccessible::installFactory(forInputLevel);
}

void InputLevelAccessible::meterGone()
{
    if (--metersAlive == 0)
        QAccessible::removeFactory(forInputLevel);
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
