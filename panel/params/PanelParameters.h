// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandChannel.h"
#include "ControlBindings.h"
#include "ParameterBlock.h"
#include "PresetFiles.h"

#include <functional>
#include <system_error>

// The parameter block between dialog, preset files and device: every send
// packs what the dialog shows, stores it in the selected preset and writes
// it to the device; reads and state reports put the device's block on show.
class PanelParameters {
public:
    // Told whether the device answered the write.
    using Done = std::function<void(bool answered)>;

    PanelParameters(CommandChannel &channel, ControlBindings &bindings, PresetFiles &presets);

    // Told after every write of a settings file: no error when it reached
    // the disk, else why not.
    using StoreObserver = std::function<void(std::error_code failure)>;
    void setStoreObserver(StoreObserver observer) { storeObserver_ = std::move(observer); }

    void send(Done done = {});
    // Asks the device for its block; on an answer the device controls are
    // enabled and show it. then runs once the first attempt is over, answered
    // or not; an unanswered read goes on in the background until the device
    // answers or goes away. ended runs once when the read is over, answered
    // or dropped.
    void readFromDevice(std::function<void()> then, std::function<void()> ended = {});
    // A state report: shown at once, nothing sent, no preset written.
    void applyStateReport(const CommandFrame::Data &data);
    void loadPreset(int preset, Done done = {});
    void factoryReset(Done done = {});

    const ParameterBlock &lastDeviceBlock() const { return lastDeviceBlock_; }
    void clearLastDeviceBlock() { lastDeviceBlock_ = ParameterBlock(); }

private:
    void stored(bool ok);

    CommandChannel &channel_;
    ControlBindings &bindings_;
    PresetFiles &presets_;
    ParameterBlock lastDeviceBlock_;
    StoreObserver storeObserver_;
};
