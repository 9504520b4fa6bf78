// SPDX-License-Identifier: GPL-3.0-or-later
#include "BufferFileInspection.h"

#include "BufferFile.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::optional<BufferFileInspection::Repair>
BufferFileInspection::repairFor(const std::array<std::uint8_t, WaveHeader::kSize> &head,
                                std::uint64_t size, const PcmFormat &format)
{
    if (size < WaveHeader::kSize || !WaveHeader{format}.sameForm(head))
        return std::nullopt;
    Repair repair;
    repair.countedData = WaveHeader::wholeFrames(format, size - WaveHeader::kSize);
    // Only a torn last frame is cut off: audio beyond what a header can
    // count stays in the file, as the cap is no reason to lose it.
    const std::uint64_t frame = std::max<std::uint16_t>(format.frameBytes(), 1);
    repair.keptSize = size - (size - WaveHeader::kSize) % frame;
    repair.needed = WaveHeader::countedData(head) != repair.countedData ||
                    WaveHeader::countedRiff(head) != repair.countedData + 38 ||
                    size != repair.keptSize;
    return repair;
}

BufferFileInspection BufferFileInspection::of(const fs::path &bufferFile, const PcmFormat &format)
{
    BufferFileInspection found;
    std::error_code error;
    // A cut that did not finish left the whole take beside it: the recovery puts it back.
    const bool cutUnfinished =
        fs::exists(bufferFile.parent_path() / BufferFile::kOldBufferName, error);
    const int fd = ::open(bufferFile.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd >= 0 && ::fstat(fd, &status) == 0) {
        found.exists = true;
        found.sizeBytes = std::uint64_t(status.st_size);
        std::array<std::uint8_t, WaveHeader::kSize> head{};
        if (::pread(fd, head.data(), head.size(), 0) == ssize_t(head.size())) {
            if (const std::optional<Repair> repair = repairFor(head, found.sizeBytes, format)) {
                found.headerDataBytes = WaveHeader::countedData(head);
                found.recoveryWouldChange = repair->needed;
            }
        }
    }
    if (fd >= 0)
        ::close(fd);
    found.recoveryWouldChange = found.recoveryWouldChange || cutUnfinished;
    return found;
}
