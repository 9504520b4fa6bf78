// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AutostartEntry.h"
#include "CTrayIcon.h"
#include "CVarnelDlg.h"
#include "CardChannel.h"
#include "DesktopOptions.h"
#include "DesktopServices.h"
#include "HidCardSession.h"
#include "RecorderDock.h"
#include "TrayMenu.h"
#include "WindowVisibility.h"

#include <filesystem>
#include <memory>

class AudioDefaults;
class DeviceNotifier;
class MessageBoxes;
class SoundPlayer;

// What the running panel is given from outside: where its files are, and the
// platform services it talks to (real ones in the program, fakes in tests).
struct PanelEnvironment {
    std::filesystem::path programFolder;   // the two libraries and the start-up sound
    std::filesystem::path settingsFolder;  // the five INI files
    std::filesystem::path autostartFolder; // where "Start at login" puts its entry
    DeviceNotifier *notifier = nullptr;
    AudioDefaults *audioDefaults = nullptr;
    SoundPlayer *player = nullptr;
    MessageBoxes *messages = nullptr; // Qt message boxes over the window when null
    CardChannel::Timing timing{};
};

// The running panel put together: the card session and what observes it
// (the window, the tray icon and its menu, the window's visibility rules, the
// docked recorder, the services on the desktop's buses).
class PanelProgram {
public:
    explicit PanelProgram(PanelEnvironment environment);
    ~PanelProgram();

    // Loads the HID library, checks that the recorder library is there, and
    // makes the tray icon and its menu; false when a library is missing: the
    // message was shown and the program is to end.
    bool initialise();
    // hidden: start in the tray without showing the window. What need not
    // hold up the first frame follows it: opening the card, loading the
    // recorder (a recorder that cannot load then ends the program), the first
    // start's settings files, the tray icon, logind and the shortcuts portal.
    // Called once, at the start.
    void showAtStart(bool hidden);
    // Exit or Escape was chosen: the program is to end, even when its main
    // loop has not started yet.
    bool isEnding() const { return session_.isEnding(); }

    HidCardSession &session() { return session_; }
    CVarnelDlg &window() { return window_; }
    CTrayIcon &tray() { return tray_; }
    RecorderDock &recorder() { return dock_; }
    WindowVisibility &visibility() { return visibility_; }

private:
    void recorderMissing();
    static HidCardSession::Setup sessionSetup(const PanelEnvironment &environment);

    PanelEnvironment environment_;
    HidCardSession session_;
    CVarnelDlg window_;
    RecorderDock dock_;
    CTrayIcon tray_;
    WindowVisibility visibility_;
    AutostartEntry autostart_;
    DesktopOptions options_;
    DesktopServices desktop_;
    std::unique_ptr<TrayMenu> trayMenu_;
};
