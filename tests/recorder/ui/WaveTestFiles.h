// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// Writes recorder-style wave files for tests: the 46-byte header with the
// 18-byte format block, then PCM.
namespace WaveTestFiles {

inline void put32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
inline void put16(std::vector<std::uint8_t> &out, std::uint16_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

inline std::vector<std::uint8_t> header(std::uint32_t claimedDataBytes)
{
    std::vector<std::uint8_t> h;
    for (char c : std::string("RIFF"))
        h.push_back(std::uint8_t(c));
    put32(h, claimedDataBytes + 38);
    for (char c : std::string("WAVEfmt "))
        h.push_back(std::uint8_t(c));
    put32(h, 18);
    put16(h, 1);
    put16(h, 2);
    put32(h, 44100);
    put32(h, 176400);
    put16(h, 4);
    put16(h, 16);
    put16(h, 18);
    for (char c : std::string("data"))
        h.push_back(std::uint8_t(c));
    put32(h, claimedDataBytes);
    return h;
}

// A stereo 16-bit 44100 Hz take of `seconds` of a 440 Hz tone.
inline std::vector<std::uint8_t> tone(double seconds)
{
    std::vector<std::uint8_t> pcm;
    const auto frames = std::size_t(seconds * 44100);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto s = std::int16_t(((i * 440 * 2 / 44100) % 2 ? 1 : -1) * 6000);
        put16(pcm, std::uint16_t(s));
        put16(pcm, std::uint16_t(s));
    }
    return pcm;
}

inline void write(const std::filesystem::path &path, const std::vector<std::uint8_t> &header,
                  const std::vector<std::uint8_t> &pcm)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    if (!header.empty())
        std::fwrite(header.data(), 1, header.size(), file);
    if (!pcm.empty())
        std::fwrite(pcm.data(), 1, pcm.size(), file);
    std::fclose(file);
}

inline void writeTake(const std::filesystem::path &path, const std::vector<std::uint8_t> &pcm)
{
    write(path, header(std::uint32_t(pcm.size())), pcm);
}

} // namespace WaveTestFiles
