// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The names of the sound system's playback and recording devices, as a user
// sees them. Monitors of playback devices are not recording devices.
class AudioDeviceNames {
public:
    virtual ~AudioDeviceNames() = default;
    // Empty when the sound system does not answer.
    virtual std::vector<std::string> outputs() = 0;
    virtual std::vector<std::string> inputs() = 0;
};
