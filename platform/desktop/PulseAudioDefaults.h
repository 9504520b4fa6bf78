// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDefaults.h"

#include <chrono>

// Sets the PulseAudio (or PipeWire) default sink and default source to the
// first ones whose description contains the match. Monitors of sinks are not
// recording devices and are passed over. No server: nothing happens.
class PulseAudioDefaults : public AudioDefaults {
public:
    explicit PulseAudioDefaults(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000))
        : timeout_(timeout)
    {
    }
    bool usesPreferredWaveDevice() const override { return false; }
    bool makeDefault(const std::string &match) override;

private:
    std::chrono::milliseconds timeout_;
};
