// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DialogTemplate.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The panel's icon in the notification area: a tooltip, the menu of its
// template on right click, and an activation that shows or hides the main
// window. When the notification area goes away and comes back, the icon is
// added again; without one the panel runs on without an icon.
//
// Notification areas report clicks differently. One that embeds the icon as
// a window (XEmbed, X11 only) reports a click as one activation and a double
// click as one more, so there only the double click toggles the window; one
// that hosts the icon as a StatusNotifierItem (KDE Plasma, GNOME with the
// AppIndicator extension, Wayland desktops) never reports a double click, so
// there a single click toggles it.
class CTrayIcon : public QObject {
public:
    enum class Kind { XEmbed, StatusNotifierItem };
    // Told the command of the chosen menu item, and its check state after the
    // choice for checkable items.
    using CommandHandler = std::function<void(int command, bool checked)>;
    using KindProbe = std::function<Kind()>;

    explicit CTrayIcon(QObject *parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon; false (and not enabled) when there is no notification
    // area now. The icon is added as soon as one appears.
    bool Create(const QString &tooltip, const QIcon &icon, const MenuTemplate &menu);
    bool isEnabled() const { return enabled_; }
    // Looks again whether there is a notification area, adding the icon when
    // one came since the last look; true when the icon is in one now.
    bool refresh();

    void setActivationHandler(std::function<void()> handler) { activation_ = std::move(handler); }
    // Told each time the icon goes into a notification area.
    void setAddedHandler(std::function<void()> handler) { added_ = std::move(handler); }
    void setCommandHandler(CommandHandler handler) { command_ = std::move(handler); }
    // How the kind of notification area is found out (asked now and each time
    // the icon is added); tests name one.
    void setKindProbe(KindProbe probe);

    // Menu items by their command.
    QAction *item(int command) const;
    void setItemText(int command, const QString &text);
    void setItemChecked(int command, bool checked);
    void setItemEnabled(int command, bool enabled);

    QSystemTrayIcon *icon() const { return icon_.get(); }
    QMenu *menu() const { return menu_.get(); }

    // What Qt hosts this process's icon as: only on X11, and only while no
    // StatusNotifierItem host is registered on the session bus, does it embed
    // a window; a StatusNotifierItem shows as a name of this process on that
    // bus.
    static Kind detectKind();

    // How often the notification area is looked for while it is missing.
    static constexpr int kWatchIntervalMs = 2000;

private:
    void buildMenu(const MenuTemplate &menu);
    void activated(int reason);
    void add();
    void watch();

    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QTimer watcher_;
    bool enabled_ = false;
    Kind kind_ = Kind::XEmbed;
    KindProbe probe_ = detectKind;
    std::function<void()> activation_;
    std::function<void()> added_;
    CommandHandler command_;
};
