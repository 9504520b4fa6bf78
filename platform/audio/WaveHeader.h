// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PcmFormat.h"

#include <array>
#include <cstdint>
#include <optional>

// Where the PCM of a RIFF WAVE file lies and in what format. The recorder
// writes its takes and saved WAV files with the fixed 46-byte form (a format
// chunk of 18 bytes); any PCM WAVE file is read by its chunks.
struct WaveHeader {
    static constexpr std::size_t kSize = 46;
    // The most PCM a header can count: the RIFF size (data + 38) is 32 bits.
    static constexpr std::uint32_t kMaxDataBytes = UINT32_MAX - 38;

    PcmFormat format;
    std::uint64_t dataOffset = kSize;
    std::uint64_t dataBytes = 0;

    // The 46-byte form, counting dataBytes (at most kMaxDataBytes).
    std::array<std::uint8_t, kSize> bytes() const;
    // Whether a file's first 46 bytes are this form in this format, whatever they count.
    bool sameForm(const std::array<std::uint8_t, kSize> &head) const;
    // The counts of a 46-byte form: the data size and the RIFF size.
    static std::uint32_t countedData(const std::array<std::uint8_t, kSize> &head);
    static std::uint32_t countedRiff(const std::array<std::uint8_t, kSize> &head);

    // Reads an open file's chunks (positioned reads only). A data chunk that
    // claims more than the file holds is cut to the whole frames there; a
    // header that is truncated or not plausible PCM gives nothing.
    static std::optional<WaveHeader> read(int fd);

    // Bytes held to what a header can count, in whole frames.
    static std::uint32_t wholeFrames(const PcmFormat &format, std::uint64_t bytes);

    unsigned lengthMs() const;
    // Byte offset within the data of a time, lowered to a whole frame and kept inside the data.
    std::uint64_t byteAt(unsigned ms) const;
};
