// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SoundPlayer.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Keeps the commands it was given, in order ("play <file>", "pause"), and
// the thread of the last one.
class FakeSoundPlayer : public SoundPlayer {
public:
    bool play(const std::filesystem::path &file) override
    {
        record("play " + file.string());
        return true;
    }
    void pause() override { record("pause"); }
    std::vector<std::string> commands() const
    {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    std::thread::id lastThread() const
    {
        std::lock_guard lock(mutex_);
        return thread_;
    }

private:
    void record(std::string command)
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(std::move(command));
        thread_ = std::this_thread::get_id();
    }
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::thread::id thread_;
};
