#pragma once

#include "AudioDefaults.h"

#include <string>
#include <vector>

// Records what the panel asked for; answers as told.
class FakeAudioDefaults : public AudioDefaults {
public:
    explicit FakeAudioDefaults(bool legacy = false, bool found = true)
        : legacy_(legacy), found_(found)
    {
    }
    bool usesPreferredWaveDevice() const override { return legacy_; }
    bool makeDefault(const std::string &match) override
    {
        requests.push_back(match);
        return found_;
    }
    std::vector<std::string> requests;

private:
    bool legacy_;
    bool found_;
};
