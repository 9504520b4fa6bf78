// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

class PlayerFixture : public testing::Test {
protected:
    void SetUp() override
    {
        path_ = std::filesystem::temp_directory_path() /
                ("player-" + std::to_string(getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav");
    }
    void TearDown() override { std::filesystem::remove(path_); }

    // What the recorder asks before it deletes or rewrites the take.
    bool lockedByPlayer() const
    {
        const int fd = ::open(path_.c_str(), O_RDONLY);
        const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return locked;
    }

    bool waitForStopped(Player &player, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (player.mode(path_) == "stopped")
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::filesystem::path path_;
};
