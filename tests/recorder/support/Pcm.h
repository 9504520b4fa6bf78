// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Test audio: interleaved 16-bit stereo PCM, and reading files back.
namespace Pcm {

// A sine of the given frequency on both channels.
std::vector<std::uint8_t> sine(double seconds, double frequency = 1000.0,
                               std::uint32_t sampleRate = 44100, double amplitude = 0.5);
// Bytes that count their own position (byte i holds i mod 251), so a copied
// range shows where it came from.
std::vector<std::uint8_t> counting(std::size_t length);
std::vector<std::uint8_t> readFile(const std::filesystem::path &file);
void writeFile(const std::filesystem::path &file, const std::vector<std::uint8_t> &bytes);
std::uint32_t le32(const std::vector<std::uint8_t> &bytes, std::size_t offset);

} // namespace Pcm
