// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueEditAccessible.h"

#include "PanelState.h"
#include "UpDownControl.h"

#include <QLineEdit>

#include <algorithm>

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

// The edit may hold a typed value outside the range, which a step first
// brings back to its limit: the step is counted from there.
void ValueEditAccessible::setCurrentValue(const QVariant &value)
{
    const int from = std::clamp(currentValue().toInt(), spin_->low(), spin_->high());
    spin_->step(std::clamp(value.toInt(), spin_->low(), spin_->high()) - from);
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
