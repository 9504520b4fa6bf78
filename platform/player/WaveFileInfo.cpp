// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFileInfo.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::uint32_t le32(const unsigned char *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char *p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

bool readAt(int fd, void *buffer, std::size_t length, std::uint64_t offset)
{
    return pread(fd, buffer, length, off_t(offset)) == ssize_t(length);
}

bool plausible(const WaveFileInfo &info)
{
    return info.channels >= 1 && info.channels <= 8 &&
           (info.bitsPerSample == 8 || info.bitsPerSample == 16) && info.samplesPerSecond != 0 &&
           info.blockAlign == info.channels * info.bitsPerSample / 8 &&
           info.averageBytesPerSecond == info.samplesPerSecond * info.blockAlign;
}
} // namespace

std::optional<WaveFileInfo> WaveFileInfo::read(int fd)
{
    struct stat status {};
    unsigned char riff[12];
    if (fstat(fd, &status) != 0 || !readAt(fd, riff, sizeof riff, 0) ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;
    const std::uint64_t fileLength = std::uint64_t(status.st_size);
    WaveFileInfo info;
    bool haveFormat = false;
    for (std::uint64_t offset = 12; offset + 8 <= fileLength;) {
        unsigned char chunk[8];
        if (!readAt(fd, chunk, sizeof chunk, offset))
            return std::nullopt;
        const std::uint64_t size = le32(chunk + 4);
        const std::uint64_t body = offset + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char format[16];
            if (size < sizeof format || !readAt(fd, format, sizeof format, body) ||
                le16(format) != 1)
                return std::nullopt;
            info.channels = le16(format + 2);
            info.samplesPerSecond = le32(format + 4);
            info.averageBytesPerSecond = le32(format + 8);
            info.blockAlign = le16(format + 12);
            info.bitsPerSample = le16(format + 14);
            haveFormat = plausible(info);
            if (!haveFormat)
                return std::nullopt;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return std::nullopt;
            info.dataOffset = body;
            const std::uint64_t present = std::min(size, fileLength - body);
            info.dataBytes = present - present % info.blockAlign;
            return info;
        }
        offset = body + size + (size & 1);
    }
    return std::nullopt;
}

unsigned WaveFileInfo::lengthMs() const
{
    return averageBytesPerSecond ? unsigned(dataBytes * 1000 / averageBytesPerSecond) : 0;
}

std::uint64_t WaveFileInfo::byteAt(unsigned ms) const
{
    const std::uint64_t byte = std::uint64_t(ms) * averageBytesPerSecond / 1000;
    return std::min(byte - byte % blockAlign, dataBytes);
}
