#pragma once

#include "CommandChannel.h"
#include "ControlBindings.h"
#include "ParameterBlock.h"
#include "PresetFiles.h"

#include <functional>

// The parameter block between dialog, preset files and device: every send
// packs what the dialog shows, stores it in the selected preset and writes
// it to the device; reads and state reports put the device's block on show.
class PanelParameters {
public:
    // Told whether the device answered the write.
    using Done = std::function<void(bool answered)>;

    PanelParameters(CommandChannel &channel, ControlBindings &bindings, PresetFiles &presets);

    void send(Done done = {});
    // Asks the device for its block; on an answer the device controls are
    // enabled and show it. then runs when the read is over, answered or not.
    void readFromDevice(std::function<void()> then);
    // A state report: shown at once, nothing sent, no preset written.
    void applyStateReport(const CommandFrame::Data &data);
    void loadPreset(int preset, Done done = {});
    void factoryReset(Done done = {});

    const ParameterBlock &lastDeviceBlock() const { return lastDeviceBlock_; }
    void clearLastDeviceBlock() { lastDeviceBlock_ = ParameterBlock(); }

private:
    CommandChannel &channel_;
    ControlBindings &bindings_;
    PresetFiles &presets_;
    ParameterBlock lastDeviceBlock_;
};
