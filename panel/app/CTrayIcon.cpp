#include "CTrayIcon.h"

#include <QAction>
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
    menu_ = std::make_unique<QMenu>();
    menu_->setTitle(menu.caption);
    menu_->setObjectName(QString::number(menu.id));
    for (const MenuItemTemplate &item : menu.items) {
        QAction *action = menu_->addAction(item.caption);
        action->setObjectName(QString::number(item.command));
        if (item.isDefault) {
            QFont bold = action->font();
            bold.setBold(true);
            action->setFont(bold);
        }
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] {
            if (command_)
                command_(command);
        });
    }
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setToolTip(tooltip.left(127));
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick && doubleClick_)
                    doubleClick_();
            });
    add();
    watcher_.start();
    return enabled_;
}

void CTrayIcon::add()
{
    enabled_ = QSystemTrayIcon::isSystemTrayAvailable();
    if (enabled_) {
        icon_->hide();
        icon_->show();
    }
}

// The counterpart of a re-created taskbar: a notification area that was
// missing is there again, so the icon goes back into it.
void CTrayIcon::watch()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !enabled_)
        add();
    else if (!available)
        enabled_ = false;
}
