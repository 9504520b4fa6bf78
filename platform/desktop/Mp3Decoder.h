// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// Interleaved 16-bit samples of a whole decoded file.
struct PcmSound {
    long rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;
};

// Decodes an MP3 file with libmpg123. Empty on a missing or undecodable file.
class Mp3Decoder {
public:
    static std::optional<PcmSound> decode(const std::filesystem::path &file);
};
