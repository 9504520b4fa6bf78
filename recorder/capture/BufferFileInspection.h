// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WaveHeader.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

// The buffer file as it is on disk, looked at without changing anything: what
// the recovery at the recorder's next start would do to it, for that recovery
// and for a report of the recorder's state.
struct BufferFileInspection {
    // What a take of this recorder needs to be whole: a header that counts
    // every whole frame there is, and no torn last frame.
    struct Repair {
        std::uint32_t countedData = 0;
        std::uint64_t keptSize = 0;
        bool needed = false;
    };

    bool exists = false;
    std::uint64_t sizeBytes = 0;
    // What the header counts; nothing when the file is no take of this recorder.
    std::optional<std::uint32_t> headerDataBytes;
    // Whether the recovery would change the file: put back the take a cut was
    // copying, recount the header or drop a torn frame.
    bool recoveryWouldChange = false;

    // bufferFile: the take (NUVRecord.wav); the file a cut moves it to lies beside it.
    static BufferFileInspection of(const std::filesystem::path &bufferFile,
                                   const PcmFormat &format = PcmFormat{});
    // The repair a file that starts with head and is size bytes long needs;
    // nothing when it is no take of this recorder in this format.
    static std::optional<Repair> repairFor(const std::array<std::uint8_t, WaveHeader::kSize> &head,
                                           std::uint64_t size, const PcmFormat &format);
};
