// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class QComboBox;

// A device list as a screen reader meets it: a combo box named by what it
// chooses ("Recording device"), its value the device shown. Qt's own combo
// box interface on Linux gives the shown entry as the name, whatever name the
// list was given.
class DeviceListAccessible : public QAccessibleWidget {
public:
    explicit DeviceListAccessible(QComboBox *list);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    // The open list of devices.
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    QComboBox *list() const;
};
