// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceListAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

DeviceListAccessible::DeviceListAccessible(QComboBox *list)
    : QAccessibleWidget(list, QAccessible::ComboBox)
{
}

QComboBox *DeviceListAccessible::list() const
{
    return static_cast<QComboBox *>(widget());
}

QString DeviceListAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return list()->currentText();
    return QAccessibleWidget::text(kind);
}

QAccessible::State DeviceListAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = list()->view()->isVisible();
    return state;
}

int DeviceListAccessible::childCount() const
{
    return 1;
}

QAccessibleInterface *DeviceListAccessible::child(int index) const
{
    return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
}

int DeviceListAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return child && child->object() == list()->view() ? 0 : -1;
}

QStringList DeviceListAccessible::actionNames() const
{
    return QAccessibleWidget::actionNames() << showMenuAction();
}

void DeviceListAccessible::doAction(const QString &actionName)
{
    if (actionName != showMenuAction())
        QAccessibleWidget::doAction(actionName);
    else if (list()->isEnabled())
        list()->showPopup();
}
