// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AutostartEntry.h"
#include "CTrayIcon.h"
#include "CommandChannel.h"
#include "ControlBindings.h"
#include "DeviceConnection.h"
#include "DialogTemplate.h"
#include "HidControlLibrary.h"
#include "MonitorWindow.h"
#include "PanelCommandTarget.h"
#include "PanelControls.h"
#include "PanelParameters.h"
#include "PanelWindowTarget.h"
#include "PresetFiles.h"
#include "RecorderLibrary.h"
#include "StartupAudio.h"

#include <QDialog>
#include <QHash>
#include <QIcon>

#include <array>
#include <filesystem>
#include <memory>

class AudioDefaults;
class DeviceNotifier;
class MessageBoxes;
class SoundPlayer;

// What the main window is given from outside: where its files are, and the
// platform services it talks to (real ones in the program, fakes in tests).
struct PanelEnvironment {
    std::filesystem::path programFolder;   // the two libraries and the start-up sound
    std::filesystem::path settingsFolder;  // the five INI files
    std::filesystem::path autostartFolder; // where "Start at login" puts its entry
    DeviceNotifier *notifier = nullptr;
    AudioDefaults *audioDefaults = nullptr;
    SoundPlayer *player = nullptr;
    MessageBoxes *messages = nullptr; // the window's own Qt message boxes when null
    CommandChannel::Timing timing{};
};

// The control panel's main window (dialog 102): the device's settings, the
// device connection, the presets and the notification-area icon. Commands
// from outside act on it as the user's clicks do.
class CVarnelDlg : public QDialog,
                   public PanelControls,
                   public PanelCommandTarget,
                   public PanelWindowTarget {
public:
    static constexpr int kDialogId = 102;
    static constexpr int kTrayMenuId = 146;
    static constexpr int kExitCommand = 32772;
    static constexpr int kShowHideCommand = 32773;
    // "Preset 1" to "Preset 4" in the tray menu.
    static constexpr std::array kPresetCommands{32774, 32775, 32776, 32777};
    static constexpr int kStartAtLoginCommand = 32778;
    static constexpr int kRecorderWidth = 420;
    static constexpr int kRecorderHeight = 500;

    explicit CVarnelDlg(PanelEnvironment environment, QWidget *parent = nullptr);
    ~CVarnelDlg() override;

    // False when a library is missing: the message was shown and the program
    // is to end.
    bool initialise();
    // Shows the window as the program starts; hidden, it waits in the tray,
    // or minimised where there is no tray.
    void showAtStart(bool hidden);

    // The one way the window comes back (tray, menu, another start, restore
    // from the taskbar): shown, raised, the recorder as the user left it. An
    // activation token from another start lets a Wayland compositor give it
    // the focus.
    void bringToFront(const QString &activationToken = {});
    // The one way it goes away to the notification area, the recorder with it.
    void hideToTray();
    // The tray menu's Exit, and the close box where there is no tray.
    void exitProgram();
    // Exit or Escape was chosen: the program is to end, even when its main
    // loop has not started yet.
    bool isEnding() const { return channel_.isExiting(); }

    // PanelControls
    std::string text(int id) const override;
    void setText(int id, const std::string &text) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void setEnabled(int id, bool enabled) override;
    using QDialog::setEnabled;

    // PanelCommandTarget
    void setStoreObserver(StoreObserver observer) override;
    CardState cardState() override;
    PanelStatus status() override;
    void apply(const PanelValues &values, Done done) override;
    void loadPreset(int preset, Done done) override;
    void factoryReset(Done done) override;

    // PanelWindowTarget
    void showWindow(const std::string &activationToken) override;
    void hideWindow() override;
    void quitProgram() override;

    QWidget *control(int id) const { return controls_.value(id); }
    int compactWidth() const { return compactWidth_; }
    CommandChannel &channel() { return channel_; }
    HidControlLibrary &hidLibrary() { return hidLibrary_; }
    DeviceConnection &connection() { return *connection_; }
    PresetFiles &presets() { return presets_; }
    CTrayIcon &trayIcon() { return trayIcon_; }

    static QString libraryLoadFailure(const QString &fileName);
    static QString accessDeniedText();
    static QString settingsNotSavedText(const QString &folder);

public:
    void accept() override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool loadLibraries();
    void buildControls();
    void connectControls();
    void applyFonts();
    void makeCompact();
    void createTrayIcon();
    void hideDebugControls();
    void postOpen();
    void openDevice();
    void deviceClosed();
    void afterOpen();
    void toggleFromTray();
    void trayCommand(int command, bool checked);
    void trayAdded();
    void setStartAtLogin(bool on);
    bool deviceControlsShown() const;
    void syncTrayMenu();
    void recordClicked();
    void showMessage(const QString &text);
    void postMessage(const QString &text);
    void accessDenied();
    void settingsStored(std::error_code failure);

    PanelEnvironment environment_;
    DialogTemplate template_;
    QHash<int, QWidget *> controls_;
    QIcon icon_;
    int compactWidth_ = 0;

    StoreObserver storeObserver_;
    HidControlLibrary hidLibrary_;
    RecorderLibrary recorderLibrary_;
    CommandChannel channel_;
    MonitorWindow monitorWindow_;
    PresetFiles presets_;
    AutostartEntry autostart_;
    ControlBindings bindings_;
    PanelParameters parameters_;
    std::unique_ptr<DeviceConnection> connection_;
    std::unique_ptr<StartupAudio> startupAudio_;
    std::unique_ptr<MessageBoxes> ownMessages_;
    CTrayIcon trayIcon_;
    bool settingsFailureShown_ = false;
};
