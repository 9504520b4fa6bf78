// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTrayIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

CTrayIcon::CTrayIcon(QObject *parent) : QObject(parent)
{
    watcher_.setInterval(kWatchIntervalMs);
    connect(&watcher_, &QTimer::timeout, this, [this] { watch(); });
}

CTrayIcon::~CTrayIcon()
{
    if (icon_)
        icon_->hide();
}

bool CTrayIcon::Create(const QString &tooltip, const QIcon &icon, const MenuTemplate &menu)
{
    buildMenu(menu);
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setToolTip(tooltip.left(127));
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
    add();
    watcher_.start();
    return enabled_;
}

void CTrayIcon::buildMenu(const MenuTemplate &menu)
{
    menu_ = std::make_unique<QMenu>();
    menu_->setTitle(menu.caption);
    menu_->setObjectName(QString::number(menu.id));
    QActionGroup *radios = nullptr;
    for (const MenuItemTemplate &item : menu.items) {
        if (item.isSeparator()) {
            menu_->addSeparator();
            radios = nullptr;
            continue;
        }
        QAction *action = menu_->addAction(item.caption);
        action->setObjectName(QString::number(item.command));
        if (item.isDefault) {
            QFont bold = action->font();
            bold.setBold(true);
            action->setFont(bold);
        }
        action->setCheckable(item.check != MenuItemTemplate::Check::None);
        if (item.check == MenuItemTemplate::Check::Radio) {
            if (!radios) {
                radios = new QActionGroup(menu_.get());
                radios->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            radios->addAction(action);
        } else {
            radios = nullptr;
        }
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command](bool checked) {
            if (command_)
                command_(command, checked);
        });
    }
}

QAction *CTrayIcon::item(int command) const
{
    return menu_ ? menu_->findChild<QAction *>(QString::number(command)) : nullptr;
}

void CTrayIcon::setItemText(int command, const QString &text)
{
    if (QAction *action = item(command))
        action->setText(text);
}

void CTrayIcon::setItemChecked(int command, bool checked)
{
    if (QAction *action = item(command))
        action->setChecked(checked);
}

void CTrayIcon::setItemEnabled(int command, bool enabled)
{
    if (QAction *action = item(command))
        action->setEnabled(enabled);
}

void CTrayIcon::setKindProbe(KindProbe probe)
{
    probe_ = std::move(probe);
    if (probe_)
        kind_ = probe_();
}

void CTrayIcon::activated(int reason)
{
    const bool toggles = kind_ == Kind::XEmbed ? reason == QSystemTrayIcon::DoubleClick
                                               : reason == QSystemTrayIcon::Trigger;
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
    const QString ours =
        QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid());
    const QStringList names = bus.interface()->registeredServiceNames().value();
    for (const QString &name : names)
        if (name.startsWith(ours))
            return Kind::StatusNotifierItem;
    return Kind::XEmbed;
}

void CTrayIcon::add()
{
    enabled_ = QSystemTrayIcon::isSystemTrayAvailable();
    if (enabled_) {
        icon_->hide();
        icon_->show();
        if (probe_)
            kind_ = probe_();
        if (added_)
            added_();
    }
}

bool CTrayIcon::refresh()
{
    watch();
    return enabled_;
}

// The counterpart of a re-created taskbar: a notification area that was
// missing is there again, so the icon goes back into it.
void CTrayIcon::watch()
{
    if (!icon_)
        return;
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !enabled_)
        add();
    else if (!available)
        enabled_ = false;
}
