// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where the PCM of a RIFF WAVE file lies and in what format, read from the
// file's chunks. A data chunk that claims more bytes than the file holds is
// cut to what is there; a header that is truncated or not PCM gives nothing.
struct WaveFileInfo {
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;

    // Reads from an open file descriptor (positioned reads only).
    static std::optional<WaveFileInfo> read(int fd);

    unsigned lengthMs() const;
    // Byte offset within the data of a time, lowered to a whole frame and kept inside the data.
    std::uint64_t byteAt(unsigned ms) const;
};
