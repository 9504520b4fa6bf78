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
} // namespace

InputLevelAccessible::InputLevelAccessible(InputLevelWidget *widget)
    : QAccessibleWidget(widget, QAccessible::Indicator)
{
}

void InputLevelAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(forInputLevel);
        return true;
    }();
    Q_UNUSED(installed);
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
