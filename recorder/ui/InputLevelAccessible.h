// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class InputLevelWidget;

// What assistive technology reads of the input meter: a level indicator whose
// value is the louder channel's peak in dBFS ("-6.0", "-inf" for silence).
class InputLevelAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit InputLevelAccessible(InputLevelWidget *widget);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 0.0; }
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 0.1; }

private:
    const InputLevelWidget *meterWidget() const;
};
