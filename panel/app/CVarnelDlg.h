#pragma once

#include "CTrayIcon.h"
#include "CommandChannel.h"
#include "ControlBindings.h"
#include "DeviceConnection.h"
#include "DialogTemplate.h"
#include "HidControlLibrary.h"
#include "MonitorWindow.h"
#include "PanelControls.h"
#include "PanelParameters.h"
#include "PresetFiles.h"
#include "RecorderLibrary.h"
#include "StartupAudio.h"

#include <QDialog>
#include <QHash>
#include <QIcon>

#include <filesystem>
#include <memory>

class AudioDefaults;
class DeviceNotifier;
class MessageBoxes;
class SoundPlayer;

// What the main window is given from outside: where its files are, and the
// platform services it talks to (real ones in the program, fakes in tests).
struct PanelEnvironment {
    std::filesystem::path programFolder;  // the two libraries and the start-up sound
    std::filesystem::path settingsFolder; // the five INI files
    DeviceNotifier *notifier = nullptr;
    AudioDefaults *audioDefaults = nullptr;
    SoundPlayer *player = nullptr;
    MessageBoxes *messages = nullptr; // the window's own Qt message boxes when null
    CommandChannel::Timing timing{};
};

// The control panel's main window (dialog 102): the device's settings, the
// device connection, the presets and the notification-area icon.
class CVarnelDlg : public QDialog, public PanelControls {
public:
    static constexpr int kDialogId = 102;
    static constexpr int kTrayMenuId = 146;
    static constexpr int kExitCommand = 32772;
    static constexpr int kRecorderWidth = 420;
    static constexpr int kRecorderHeight = 500;

    explicit CVarnelDlg(PanelEnvironment environment, QWidget *parent = nullptr);
    ~CVarnelDlg() override;

    // False when a library is missing: the message was shown and the program
    // is to end.
    bool initialise();

    // Another start of the program asked for this window.
    void bringToFront();
    // The tray menu's Exit.
    void exitProgram();

    // PanelControls
    std::string text(int id) const override;
    void setText(int id, const std::string &text) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void setEnabled(int id, bool enabled) override;
    using QDialog::setEnabled;

    QWidget *control(int id) const { return controls_.value(id); }
    int compactWidth() const { return compactWidth_; }
    CommandChannel &channel() { return channel_; }
    HidControlLibrary &hidLibrary() { return hidLibrary_; }
    DeviceConnection &connection() { return *connection_; }
    PresetFiles &presets() { return presets_; }
    CTrayIcon &trayIcon() { return trayIcon_; }

    static QString libraryLoadFailure(const QString &fileName);

public:
    void accept() override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

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
    void hideToTray();
    void toggleFromTray();
    void recordClicked();
    void showMessage(const QString &text);

    PanelEnvironment environment_;
    DialogTemplate template_;
    QHash<int, QWidget *> controls_;
    QIcon icon_;
    int compactWidth_ = 0;

    HidControlLibrary hidLibrary_;
    RecorderLibrary recorderLibrary_;
    CommandChannel channel_;
    MonitorWindow monitorWindow_;
    PresetFiles presets_;
    ControlBindings bindings_;
    PanelParameters parameters_;
    std::unique_ptr<DeviceConnection> connection_;
    std::unique_ptr<StartupAudio> startupAudio_;
    std::unique_ptr<MessageBoxes> ownMessages_;
    CTrayIcon trayIcon_;
};
