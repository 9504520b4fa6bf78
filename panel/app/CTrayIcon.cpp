// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTrayIcon.h"

#include "LogCategories.h"
#include "TrayArrival.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

CTrayIcon::CTrayIcon(QObject *parent) : QObject(parent) {}

CTrayIcon::~CTrayIcon()
{
    if (icon_)
        icon_->hide();
}

void CTrayIcon::Create(const QString &tooltip, const QIcon &icon, const MenuTemplate &menu)
{
    buildMenu(menu);
    createdIcon_ = icon;
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setToolTip(tooltip.left(kMaxTooltipLength));
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
}

bool CTrayIcon::appear()
{
    appeared_ = true;
    applyStatusIcon();
    add();
    if (!arrival_)
        arrival_ = std::make_unique<TrayArrival>([this] { arrived(); });
    return enabled_;
}

void CTrayIcon::buildMenu(const MenuTemplate &menu)
{
    menu_ = std::make_unique<QMenu>();
    menu_->setTitle(menu.caption);
    menu_->setObjectName(QString::number(menu.id));
    fill(*menu_, menu.items);
}

void CTrayIcon::fill(QMenu &menu, const std::vector<MenuItemTemplate> &items)
{
    QActionGroup *radios = nullptr;
    for (const MenuItemTemplate &item : items) {
        if (item.isSeparator() || item.isSubmenu())
            radios = nullptr;
        if (item.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        if (item.isSubmenu()) {
            // A child of its menu, so that item() finds its items too.
            auto *submenu = new QMenu(item.caption, &menu);
            submenu->setObjectName(QString::number(item.command));
            menu.addMenu(submenu);
            fill(*submenu, item.items);
            continue;
        }
        QAction *action = menu.addAction(item.caption);
        action->setObjectName(QString::number(item.command));
        if (item.isDefault) {
            QFont bold = action->font();
            bold.setBold(true);
            action->setFont(bold);
        }
        action->setCheckable(item.check != MenuItemTemplate::Check::None);
        if (item.check == MenuItemTemplate::Check::Radio) {
            if (!radios) {
                radios = new QActionGroup(&menu);
                radios->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            radios->addAction(action);
        } else {
            radios = nullptr;
        }
        const int id = item.command;
        connect(action, &QAction::triggered, this, [this, id](bool checked) {
            if (itemHandler_)
                itemHandler_(id, checked);
        });
    }
}

void CTrayIcon::showStatus(const QString &iconName, const QString &tooltip)
{
    if (!icon_)
        return;
    statusIcon_ = iconName;
    if (appeared_)
        applyStatusIcon();
    const QString cut = tooltip.left(kMaxTooltipLength);
    if (cut != icon_->toolTip())
        icon_->setToolTip(cut);
}

// The icon theme's where one is installed (a StatusNotifierItem host is
// then given its name), else the program's own copy, else the icon it was
// made with. Each change reaches a StatusNotifierItem host as a signal it acts
// on, so only a change is shown.
void CTrayIcon::applyStatusIcon()
{
    if (statusIcon_.isEmpty() || statusIcon_ == shownIcon_)
        return;
    shownIcon_ = statusIcon_;
    const QIcon own(QStringLiteral(":/icons/%1.png").arg(statusIcon_));
    icon_->setIcon(QIcon::fromTheme(statusIcon_, own.isNull() ? createdIcon_ : own));
}

QAction *CTrayIcon::item(int id) const
{
    return menu_ ? menu_->findChild<QAction *>(QString::number(id)) : nullptr;
}

void CTrayIcon::activated(int reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    const Kind kind = probe_ ? probe_() : Kind::XEmbed;
    const bool toggles = kind == Kind::XEmbed ? reason == QSystemTrayIcon::DoubleClick
                                              : reason == QSystemTrayIcon::Trigger;
    qCDebug(lcTray) << (reason == QSystemTrayIcon::Trigger ? "click" : "double click") << "on a"
                    << (kind == Kind::XEmbed ? "XEmbed" : "StatusNotifierItem")
                    << "tray:" << (toggles ? "toggles the window" : "ignored");
    if (toggles && activation_)
        activation_();
}

CTrayIcon::Kind CTrayIcon::detectKind()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return Kind::StatusNotifierItem;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Kind::XEmbed;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QStringLiteral("org.kde.StatusNotifierWatcher")
        << QStringLiteral("RegisteredStatusNotifierItems");
    const QDBusReply<QDBusVariant> answer = bus.call(ask, QDBus::Block, kWatcherWaitMs);
    if (!answer.isValid())
        return Kind::XEmbed;
    const QStringList items = answer.value().variant().toStringList();
    const auto ours = static_cast<uint>(QCoreApplication::applicationPid());
    for (const QString &item : items) {
        // An item is a bus name, with the item's object path after it or not.
        const QString service = item.section(QLatin1Char('/'), 0, 0);
        if (!service.isEmpty() && bus.interface()->servicePid(service).value() == ours)
            return Kind::StatusNotifierItem;
    }
    return Kind::XEmbed;
}

void CTrayIcon::add()
{
    enabled_ = QSystemTrayIcon::isSystemTrayAvailable();
    qCDebug(lcTray) << (enabled_ ? "a notification area takes the icon"
                                 : "no notification area: the window stays the way to the panel");
    if (enabled_) {
        icon_->hide();
        icon_->show();
        if (added_)
            added_();
    }
}

bool CTrayIcon::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

// The counterpart of a re-created taskbar: a notification area that came, or
// came back, takes the icon again.
void CTrayIcon::arrived()
{
    if (icon_)
        add();
}
