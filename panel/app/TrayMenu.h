// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <array>
#include <filesystem>

class AutostartEntry;
class CTrayIcon;
class CVarnelDlg;
class CardSession;
class WindowVisibility;

// The tray icon's menu (menu 146 of the template). update() fills it from
// what it shows: which way the first item goes, the selected preset and
// whether presets may be chosen now, whether the panel starts at login. It
// runs when the session or the window changes and when the menu opens.
class TrayMenu : public QObject {
public:
    static constexpr int kMenuId = 146;
    // Menu item ids.
    static constexpr int kExitItem = 32772;
    static constexpr int kShowHideItem = 32773;
    static constexpr std::array kPresetItems{32774, 32775, 32776, 32777};
    static constexpr int kStartAtLoginItem = 32778;

    TrayMenu(CTrayIcon &tray, CardSession &session, CVarnelDlg &window,
             WindowVisibility &visibility, AutostartEntry &autostart,
             std::filesystem::path programFolder);

    void update();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chosen(int item, bool checked);
    void loadPreset(int preset);
    void setStartAtLogin(bool on);

    CTrayIcon &tray_;
    CardSession &session_;
    CVarnelDlg &window_;
    WindowVisibility &visibility_;
    AutostartEntry &autostart_;
    std::filesystem::path programFolder_;
};
