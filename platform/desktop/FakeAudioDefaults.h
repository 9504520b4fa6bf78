// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDefaults.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Records what the panel asked for, and on which thread; answers as told.
class FakeAudioDefaults : public AudioDefaults {
public:
    explicit FakeAudioDefaults(bool legacy = false, bool found = true)
        : legacy_(legacy), found_(found)
    {
    }
    bool usesPreferredWaveDevice() const override { return legacy_; }
    bool makeDefault(const std::string &match) override
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(match);
        thread_ = std::this_thread::get_id();
        return found_;
    }
    std::vector<std::string> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::thread::id lastThread() const
    {
        std::lock_guard lock(mutex_);
        return thread_;
    }

private:
    bool legacy_;
    bool found_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread::id thread_;
};
