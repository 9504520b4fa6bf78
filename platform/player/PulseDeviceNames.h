// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDeviceNames.h"
#include "PulseConnection.h"

// Descriptions of the PulseAudio sinks and (non-monitor) sources.
class PulseDeviceNames : public AudioDeviceNames {
public:
    PulseDeviceNames();
    std::vector<std::string> outputs() override;
    std::vector<std::string> inputs() override;

private:
    PulseConnection connection_;
};
