// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

// Plays a short sound file without holding the caller, as a media command
// interface would: play starts it, pause stops it where it is.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // False when the file cannot be played (missing, undecodable, no server).
    virtual bool play(const std::filesystem::path &file) = 0;
    virtual void pause() = 0;
};
