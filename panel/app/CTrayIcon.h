// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DialogTemplate.h"

#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class TrayArrival;
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
    // Told the id of the chosen menu item, and its check state after the
    // choice for checkable items.
    using ItemHandler = std::function<void(int item, bool checked)>;
    using KindProbe = std::function<Kind()>;

    explicit CTrayIcon(QObject *parent = nullptr);
    ~CTrayIcon() override;

    // Makes the icon and its menu, not yet in a notification area.
    void Create(const QString &tooltip, const QIcon &icon, const MenuTemplate &menu);
    // Puts the icon into the notification area; false (and not enabled) when
    // there is none now. From then on it goes into one as soon as one appears.
    bool appear();
    bool isEnabled() const { return enabled_; }
    // Whether there is a notification area now; only asks. The icon goes into
    // one as it arrives (TrayArrival).
    static bool isAvailable();

    void setActivationHandler(std::function<void()> handler) { activation_ = std::move(handler); }
    // Told each time the icon goes into a notification area.
    void setAddedHandler(std::function<void()> handler) { added_ = std::move(handler); }
    void setItemHandler(ItemHandler handler) { itemHandler_ = std::move(handler); }
    // How the kind of notification area is found out, asked at each
    // activation (when the icon is surely registered); tests name one.
    void setKindProbe(KindProbe probe) { probe_ = std::move(probe); }

    // Menu items by their id, in submenus too.
    QAction *item(int id) const;
    // What the icon shows of the card: a themed icon by name (the icon given
    // at Create where none has it) and the tooltip. The icon theme is looked
    // up once the icon is to appear, not before the window's first frame.
    void showStatus(const QString &iconName, const QString &tooltip);

    QSystemTrayIcon *icon() const { return icon_.get(); }
    QMenu *menu() const { return menu_.get(); }

    // What Qt hosts this process's icon as: only on X11, and only while no
    // StatusNotifierItem host is registered on the session bus, does it embed
    // a window. Qt registers a StatusNotifierItem with the watcher under a
    // connection of its own, so the watcher's list of items tells: one whose
    // connection belongs to this process is ours.
    static Kind detectKind();

    // How long a click waits for the watcher to say which items it hosts.
    static constexpr int kWatcherWaitMs = 500;

private:
    // What a tooltip of the notification area holds, its terminator aside.
    static constexpr int kMaxTooltipLength = 127;

    void buildMenu(const MenuTemplate &menu);
    void fill(QMenu &menu, const std::vector<MenuItemTemplate> &items);
    void applyStatusIcon();
    void activated(int reason);
    void add();
    void arrived();

    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QIcon createdIcon_;
    QString statusIcon_; // asked for
    QString shownIcon_;
    bool appeared_ = false;
    std::unique_ptr<TrayArrival> arrival_;
    bool enabled_ = false;
    KindProbe probe_ = detectKind;
    std::function<void()> activation_;
    std::function<void()> added_;
    ItemHandler itemHandler_;
};
