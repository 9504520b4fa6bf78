// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pcm.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

namespace Pcm {

std::vector<std::uint8_t> sine(double seconds, double frequency, std::uint32_t sampleRate,
                               double amplitude)
{
    const auto frames = static_cast<std::size_t>(std::lround(seconds * sampleRate));
    std::vector<std::uint8_t> out(frames * 4);
    for (std::size_t i = 0; i < frames; ++i) {
        const double phase = 2 * std::numbers::pi * frequency * double(i) / sampleRate;
        const auto sample =
            static_cast<std::int16_t>(std::lround(amplitude * 32767 * std::sin(phase)));
        const auto u = static_cast<std::uint16_t>(sample);
        out[4 * i] = out[4 * i + 2] = std::uint8_t(u);
        out[4 * i + 1] = out[4 * i + 3] = std::uint8_t(u >> 8);
    }
    return out;
}

std::vector<std::uint8_t> counting(std::size_t length)
{
    std::vector<std::uint8_t> out(length);
    for (std::size_t i = 0; i < length; ++i)
        out[i] = std::uint8_t(i % 251);
    return out;
}

std::vector<std::uint8_t> readFile(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path &file, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

std::uint32_t le32(const std::vector<std::uint8_t> &bytes, std::size_t offset)
{
    return std::uint32_t(bytes.at(offset)) | std::uint32_t(bytes.at(offset + 1)) << 8 |
           std::uint32_t(bytes.at(offset + 2)) << 16 | std::uint32_t(bytes.at(offset + 3)) << 24;
}

} // namespace Pcm
