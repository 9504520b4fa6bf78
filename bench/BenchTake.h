// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Helpers the recorder's benchmarks share: a take's worth of audio, a scratch
// folder and a stopwatch.
namespace BenchTake {

constexpr std::uint32_t kBytesPerSecond = 176400;

// Interleaved 16-bit stereo with some life in it (moving tones and a little
// noise), so the encoder works as it would on a recording.
std::vector<std::uint8_t> music(double seconds);
// A fresh folder for the run's files under $TMPDIR or /tmp.
std::filesystem::path scratchFolder();
// Seconds a shell command takes; negative when it fails.
double timeCommand(const std::string &command);

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

} // namespace BenchTake
