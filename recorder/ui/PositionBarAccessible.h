// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class PositionBar;

// The position bar as a screen reader meets it: a slider whose value is the
// position in whole seconds ("12 s"), from 0 to the take's length. Setting the
// value moves the position as the keys do.
class PositionBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PositionBarAccessible(PositionBar *bar);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 1; }

private:
    PositionBar *bar() const;
};
