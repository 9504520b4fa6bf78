// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchTake.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace BenchTake {

std::vector<std::uint8_t> music(double seconds)
{
    const auto frames = static_cast<std::size_t>(seconds * 44100);
    std::vector<std::uint8_t> out(frames * 4);
    std::uint32_t noise = 12345;
    double phaseA = 0, phaseB = 0, phaseC = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / 44100;
        phaseA += 2 * std::numbers::pi * (220 + 30 * std::sin(t * 0.7)) / 44100;
        phaseB += 2 * std::numbers::pi * (1320 + 200 * std::sin(t * 0.13)) / 44100;
        phaseC += 2 * std::numbers::pi * 5100 / 44100;
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (double(noise >> 8) / double(1u << 24) - 0.5) * 0.05;
        const double left = 0.4 * std::sin(phaseA) + 0.2 * std::sin(phaseB) + hiss;
        const double right = 0.3 * std::sin(phaseA + 0.5) + 0.1 * std::sin(phaseC) + hiss;
        const auto l = static_cast<std::uint16_t>(std::int16_t(left * 32767));
        const auto r = static_cast<std::uint16_t>(std::int16_t(right * 32767));
        out[4 * i] = std::uint8_t(l);
        out[4 * i + 1] = std::uint8_t(l >> 8);
        out[4 * i + 2] = std::uint8_t(r);
        out[4 * i + 3] = std::uint8_t(r >> 8);
    }
    return out;
}

std::filesystem::path scratchFolder()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orlenta-bench-XXXXXX";
    return mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
}

double timeCommand(const std::string &command)
{
    const Stopwatch watch;
    const int status = std::system(command.c_str());
    return status == 0 ? watch.seconds() : -1.0;
}

} // namespace BenchTake
