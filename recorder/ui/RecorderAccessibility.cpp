// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecorderAccessibility.h"

#include "DeviceListAccessible.h"
#include "InputLevelAccessible.h"
#include "InputLevelWidget.h"
#include "PositionBar.h"
#include "PositionBarAccessible.h"
#include "WaveformWidget.h"

#include <QAccessibleWidget>
#include <QComboBox>

namespace {
const char *const kOwnNameProperty = "orlentaOwnName";
int alive = 0;
} // namespace

RecorderAccessibility::RecorderAccessibility()
{
    if (alive++ == 0)
        QAccessible::installFactory(create);
}

RecorderAccessibility::~RecorderAccessibility()
{
    if (--alive == 0)
        QAccessible::removeFactory(create);
}

void RecorderAccessibility::nameByOwnName(QObject &list)
{
    list.setProperty(kOwnNameProperty, true);
}

QAccessibleInterface *RecorderAccessibility::create(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("InputLevelWidget"))
        return new InputLevelAccessible(static_cast<InputLevelWidget *>(object));
    if (className == QLatin1String("PositionBar"))
        return new PositionBarAccessible(static_cast<PositionBar *>(object));
    if (className == QLatin1String("WaveformWidget"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Chart);
    if (className == QLatin1String("QComboBox") && object->property(kOwnNameProperty).toBool())
        return new DeviceListAccessible(static_cast<QComboBox *>(object));
    return nullptr;
}
