// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDeviceNames.h"

// Device names a test sets; counts how often they were asked for.
class FakeAudioDeviceNames : public AudioDeviceNames {
public:
    std::vector<std::string> outputs() override
    {
        ++queries;
        return outputNames;
    }
    std::vector<std::string> inputs() override { return inputNames; }

    std::vector<std::string> outputNames;
    std::vector<std::string> inputNames;
    int queries = 0;
};
