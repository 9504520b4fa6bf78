// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Makes the sound card the system's default playback and recording device.
// Two ways exist: the endpoint way (set the default sink and source) and the
// legacy way of older systems (a preferred wave device), after which the
// start-up sound is cut short. Failures are not errors to show.
class AudioDefaults {
public:
    virtual ~AudioDefaults() = default;
    virtual bool usesPreferredWaveDevice() const = 0;
    // True when a device whose description contains match was made default.
    virtual bool makeDefault(const std::string &match) = 0;
};
