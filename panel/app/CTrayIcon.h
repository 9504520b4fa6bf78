#pragma once

#include "DialogTemplate.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

// The panel's icon in the notification area: a tooltip, a one-item menu on
// right click, and a double click that toggles the main window. When the
// notification area goes away and comes back, the icon is added again;
// without one the panel runs on without an icon.
class CTrayIcon : public QObject {
public:
    using CommandHandler = std::function<void(int command)>;

    explicit CTrayIcon(QObject *parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon; false (and not enabled) when there is no notification
    // area now. The icon is added as soon as one appears.
    bool Create(const QString &tooltip, const QIcon &icon, const MenuTemplate &menu);
    bool isEnabled() const { return enabled_; }

    void setDoubleClickHandler(std::function<void()> handler) { doubleClick_ = std::move(handler); }
    void setCommandHandler(CommandHandler handler) { command_ = std::move(handler); }

    QSystemTrayIcon *icon() const { return icon_.get(); }
    QMenu *menu() const { return menu_.get(); }

    // How often the notification area is looked for while it is missing.
    static constexpr int kWatchIntervalMs = 2000;

private:
    void add();
    void watch();

    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QTimer watcher_;
    bool enabled_ = false;
    std::function<void()> doubleClick_;
    CommandHandler command_;
};
