// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include "DesktopOptions.h"

#include <array>
#include <filesystem>
#include <utility>

class AutostartEntry;
class CTrayIcon;
class CVarnelDlg;
class CardSession;
class WindowVisibility;

// The tray icon's menu (menu 146 of the template), and what the icon shows
// of the card. update() fills them from what they show: which way the first
// item goes, the selected preset and whether presets may be chosen now,
// whether the panel starts at login, the desktop options; the icon for the
// card's state and a tooltip with its mode, preset and master volume. It runs
// when the session or the window changes and when the menu opens.
class TrayMenu : public QObject {
public:
    static constexpr int kMenuId = 146;
    // Menu item ids.
    static constexpr int kExitItem = 32772;
    static constexpr int kShowHideItem = 32773;
    static constexpr std::array kPresetItems{32774, 32775, 32776, 32777};
    static constexpr int kStartAtLoginItem = 32778;
    using Option = DesktopOptions::Option;
    // The options' items: "Restore preset when the card returns", and the
    // "Notifications" submenu (its first item turns them all off).
    static constexpr std::array<std::pair<int, Option>, 5> kOptionItems{{
        {32779, Option::RestorePreset},
        {32781, Option::Notifications},
        {32782, Option::ConnectionNotices},
        {32783, Option::CardChangeNotices},
        {32784, Option::CommandChangeNotices},
    }};
    static constexpr const char *kTooltipTitle = "NUV Control";

    TrayMenu(CTrayIcon &tray, CardSession &session, CVarnelDlg &window,
             WindowVisibility &visibility, AutostartEntry &autostart, DesktopOptions &options,
             std::filesystem::path programFolder);

    void update();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chosen(int item, bool checked);
    void loadPreset(int preset);
    void setStartAtLogin(bool on);
    void setOption(Option option, bool on);
    void updateOptions();
    void updateStatus();

    CTrayIcon &tray_;
    CardSession &session_;
    CVarnelDlg &window_;
    WindowVisibility &visibility_;
    AutostartEntry &autostart_;
    DesktopOptions &options_;
    std::filesystem::path programFolder_;
};
