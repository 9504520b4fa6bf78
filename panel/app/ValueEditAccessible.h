// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class QLineEdit;
class UpDownControl;

// A value's edit box as a screen reader meets it: one spin box named by its
// label, with its value and range (the arrows beside it are part of it, not
// a stop of their own). Setting the value moves it as the arrows do.
class ValueEditAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    // Marks an edit box as the value its spin steps; the factory then answers
    // for it. Before anything asks for the box's interface: Qt keeps the first
    // one made.
    static void bind(QLineEdit &edit, UpDownControl &spin);
    // For QAccessible::installFactory.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    void *interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    ValueEditAccessible(QLineEdit *edit, UpDownControl *spin);
    QLineEdit *edit() const;

    UpDownControl *spin_;
};
