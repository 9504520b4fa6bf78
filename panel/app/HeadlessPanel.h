// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandChannel.h"
#include "ControlBindings.h"
#include "ControlTable.h"
#include "DeviceConnection.h"
#include "HidControlLibrary.h"
#include "MonitorWindow.h"
#include "PanelCommandTarget.h"
#include "PanelParameters.h"
#include "PresetFiles.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

class QEventLoop;

// The panel without a window, for a command given while no panel runs: the
// same HID control library, command channel, bindings and preset files,
// with the controls kept in a table. Nothing is shown or played and the
// default audio device is left alone. The card is opened and its block read
// on the first question; the read's attempts go on until one is answered or
// readWait is over.
class HeadlessPanel : public PanelCommandTarget {
public:
    static constexpr std::chrono::milliseconds kReadWait{2000};

    struct Setup {
        std::filesystem::path programFolder;  // where NUVAUDIOCTL.so is
        std::filesystem::path settingsFolder; // the five INI files
        CommandChannel::Timing timing{};
        std::chrono::milliseconds readWait = kReadWait;
    };

    explicit HeadlessPanel(Setup setup);
    ~HeadlessPanel() override;

    void setStoreObserver(StoreObserver observer) override;
    CardState cardState() override;
    PanelStatus status() override;
    void apply(const PanelValues &values, Done done) override;
    void loadPreset(int preset, Done done) override;
    void factoryReset(Done done) override;

private:
    CardState open();
    void selectPresetAsAtStart();
    bool blockShown() const;

    Setup setup_;
    HidControlLibrary library_;
    CommandChannel channel_;
    MonitorWindow monitorWindow_;
    PresetFiles presets_;
    ControlTable controls_;
    ControlBindings bindings_;
    PanelParameters parameters_;
    std::unique_ptr<DeviceConnection> connection_;
    std::optional<CardState> state_;
    QEventLoop *readLoop_ = nullptr;
};
