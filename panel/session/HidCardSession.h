// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardChannel.h"
#include "CardSession.h"
#include "DeviceConnection.h"
#include "HidControlLibrary.h"
#include "MonitorWindow.h"
#include "PanelParameters.h"
#include "PresetFiles.h"

#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>

class AudioDefaults;
class DeviceNotifier;
class SoundPlayer;
class StartupAudio;

// The session with the card through the HID control library of the program
// folder: it owns the library binding, the card channel, the window the
// library posts to, the connection and the preset files, and keeps what the
// panel shows. The running panel and a command without a panel both use it;
// only what they are given differs.
class HidCardSession : public CardSession, private DeviceConnection::Listener {
    Q_OBJECT
public:
    struct Setup {
        std::filesystem::path programFolder;  // where NUVAUDIOCTL.so and the start-up sound are
        std::filesystem::path settingsFolder; // the five INI files
        CardChannel::Timing timing{};
        // Plug-in and removal notices; without them the card is opened once.
        DeviceNotifier *notifier = nullptr;
        // With both, an opened card becomes the default audio device and
        // greets with the start-up sound.
        AudioDefaults *audioDefaults = nullptr;
        SoundPlayer *player = nullptr;
    };

    explicit HidCardSession(Setup setup, QObject *parent = nullptr);
    ~HidCardSession() override;

    // Loads the HID control library; false when it cannot be loaded.
    bool loadLibrary();
    // The running panel's start: the preset selection from setting.ini (preset
    // 1 when there is none yet), then plug-in notices, and the card opened once
    // the event loop runs.
    void start();
    // Plug-in and removal notices from now on; start() begins with this, and
    // a watch without a panel, which opens the card with openAndWait(), needs
    // it alone.
    void followNotices();
    // Makes the settings files a first start lacks. The running panel does it
    // once its window is up: the files are flushed to disk, which need not
    // hold up the first frame.
    void makeMissingFiles();
    // A command's start without a panel: the same selection and files, then
    // the card opened now and its block waited for until it is read or
    // readWait is over (an unanswered read's attempts go on meanwhile).
    CardState openAndWait(std::chrono::milliseconds readWait);

    // PanelCommandTarget
    void setStoreObserver(StoreObserver observer) override;
    CardState cardState() const override;
    PanelStatus status() const override;
    void apply(const PanelValues &values, Done done) override;
    void loadPreset(int preset, Done done) override;
    void factoryReset(Done done) override;

    // CardSession
    const PanelState &shown() const override { return state_; }
    void type(int editId, int value) override;
    void step(int spinId, int delta) override;
    void chooseMode(int code) override;
    void setSwitch(int boxId, bool on) override;
    void settle(std::chrono::milliseconds deadline, std::function<void()> settled) override;
    void readAgain() override;
    void end() override;
    bool isEnding() const override { return channel_.isExiting(); }
    bool hasLookedForCard() const override { return looked_; }

    const HidControlLibrary &library() const { return library_; }
    std::filesystem::path libraryPath() const;
    // One read of the card's block for `orlenta diagnose`, asked of a running
    // panel: one attempt, queued behind the panel's own exchanges, told what
    // the card answered, well-formed or not. The panel shows nothing of it.
    void readBlockOnce(CardChannel::Sampled done) { parameters_.readOnce(std::move(done)); }
    // For tests and benchmarks that look at the exchanges themselves.
    const CardChannel &channel() const { return channel_; }

private:
    struct Snapshot {
        CardState card;
        PanelState state;
    };

    // DeviceConnection::Listener
    void readBlock(std::function<void()> then) override;
    void opened() override;
    void closed() override;
    void openLater() override;
    void openRefused() override;

    void selectPresetAsAtStart();
    void open();
    void deviceNotice(bool arrival);
    void blockRead(const std::optional<ParameterBlock> &block);
    void stored(std::error_code failure);
    // Every write goes out here, so that settling knows when none is under way.
    void send(Done done = {});
    void settled();
    Snapshot snapshot() const { return {cardState(), state_}; }
    // Tells what changed since the last time, if anything did; always, when
    // the change writes to the card. Every change is announced before the
    // next can begin (a write's wait lets clicks and reports in).
    void announce(Source source, bool writes = false);

    Setup setup_;
    HidControlLibrary library_;
    CardChannel channel_;
    MonitorWindow monitorWindow_;
    PresetFiles presets_;
    PanelState state_;
    PanelParameters parameters_;
    DeviceConnection connection_;
    std::unique_ptr<StartupAudio> startupAudio_;
    // While open: Opening until the read's first attempt is over, then
    // NotAnswering or Ready.
    CardState readState_ = CardState::Opening;
    Snapshot announced_;
    StoreObserver storeObserver_;
    bool settingsFailing_ = false;
    bool looked_ = false;
    bool stepping_ = false;
    QEventLoop *readWait_ = nullptr;
    int writesUnderway_ = 0;
    std::function<void()> settled_;
    QTimer settleDeadline_;
};
