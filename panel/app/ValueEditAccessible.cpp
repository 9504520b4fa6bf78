// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueEditAccessible.h"

#include "PanelState.h"
#include "UpDownControl.h"

#include <QLineEdit>

namespace {
const char *const kSpinProperty = "orlentaSpin";
} // namespace

void ValueEditAccessible::bind(QLineEdit &edit, UpDownControl &spin)
{
    edit.setProperty(kSpinProperty, QVariant::fromValue<QObject *>(&spin));
}

QAccessibleInterface *ValueEditAccessible::create(const QString &, QObject *object)
{
    auto *edit = qobject_cast<QLineEdit *>(object);
    if (!edit)
        return nullptr;
    auto *spin = dynamic_cast<UpDownControl *>(edit->property(kSpinProperty).value<QObject *>());
    return spin ? new ValueEditAccessible(edit, spin) : nullptr;
}

ValueEditAccessible::ValueEditAccessible(QLineEdit *edit, UpDownControl *spin)
    : QAccessibleWidget(edit, QAccessible::SpinBox), spin_(spin)
{
}

QLineEdit *ValueEditAccessible::edit() const
{
    return static_cast<QLineEdit *>(widget());
}

void *ValueEditAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant ValueEditAccessible::currentValue() const
{
    return PanelState::leadingNumber(edit()->text().toStdString());
}

void ValueEditAccessible::setCurrentValue(const QVariant &value)
{
    spin_->step(value.toInt() - currentValue().toInt());
}

QVariant ValueEditAccessible::maximumValue() const
{
    return spin_->high();
}

QVariant ValueEditAccessible::minimumValue() const
{
    return spin_->low();
}

QVariant ValueEditAccessible::minimumStepSize() const
{
    return 1;
}
