// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveHeader.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint16_t kPcmTag = 1;
// The size of the format chunk the recorder writes, and the extra size it
// stores in it: its takes have always carried both.
constexpr std::uint32_t kFormatChunkSize = 18;
constexpr std::size_t kDataSizeAt = 42;

void put16(std::uint8_t *at, std::uint16_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
}

void put32(std::uint8_t *at, std::uint32_t value)
{
    put16(at, std::uint16_t(value));
    put16(at + 2, std::uint16_t(value >> 16));
}

std::uint16_t le16(const std::uint8_t *p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

std::uint32_t le32(const std::uint8_t *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

bool readAt(int fd, void *buffer, std::size_t length, std::uint64_t offset)
{
    return ::pread(fd, buffer, length, off_t(offset)) == ssize_t(length);
}

// The fields of a format chunk, checked against each other: the format is
// only taken when the stored rates agree with what channels and bits make.
std::optional<PcmFormat> formatOf(const std::uint8_t *chunk)
{
    const PcmFormat format{le16(chunk + 2), le16(chunk + 14), le32(chunk + 4)};
    const bool plausible = le16(chunk) == kPcmTag && format.channels >= 1 && format.channels <= 8 &&
                           (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
                           format.sampleRate != 0 && le16(chunk + 12) == format.frameBytes() &&
                           le32(chunk + 8) == format.bytesPerSecond();
    return plausible ? std::optional(format) : std::nullopt;
}

} // namespace

std::array<std::uint8_t, WaveHeader::kSize> WaveHeader::bytes() const
{
    const auto counted = std::uint32_t(std::min<std::uint64_t>(dataBytes, kMaxDataBytes));
    std::array<std::uint8_t, kSize> out{};
    std::memcpy(&out[0], "RIFF", 4);
    put32(&out[4], counted + 38);
    std::memcpy(&out[8], "WAVEfmt ", 8);
    put32(&out[16], kFormatChunkSize);
    put16(&out[20], kPcmTag);
    put16(&out[22], format.channels);
    put32(&out[24], format.sampleRate);
    put32(&out[28], format.bytesPerSecond());
    put16(&out[32], format.frameBytes());
    put16(&out[34], format.bitsPerSample);
    put16(&out[36], kFormatChunkSize);
    std::memcpy(&out[38], "data", 4);
    put32(&out[kDataSizeAt], counted);
    return out;
}

bool WaveHeader::sameForm(const std::array<std::uint8_t, kSize> &head) const
{
    const auto expected = bytes();
    return std::equal(head.begin(), head.begin() + 4, expected.begin()) &&
           std::equal(head.begin() + 8, head.begin() + kDataSizeAt, expected.begin() + 8);
}

std::uint32_t WaveHeader::countedData(const std::array<std::uint8_t, kSize> &head)
{
    return le32(&head[kDataSizeAt]);
}

std::uint32_t WaveHeader::countedRiff(const std::array<std::uint8_t, kSize> &head)
{
    return le32(&head[4]);
}

std::optional<WaveHeader> WaveHeader::read(int fd)
{
    struct stat status {};
    std::uint8_t riff[12];
    if (::fstat(fd, &status) != 0 || !readAt(fd, riff, sizeof riff, 0) ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;
    const auto fileLength = std::uint64_t(status.st_size);
    std::optional<PcmFormat> format;
    for (std::uint64_t offset = 12; offset + 8 <= fileLength;) {
        std::uint8_t chunk[8];
        if (!readAt(fd, chunk, sizeof chunk, offset))
            return std::nullopt;
        const std::uint64_t size = le32(chunk + 4);
        const std::uint64_t body = offset + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            std::uint8_t fields[16];
            if (size < sizeof fields || !readAt(fd, fields, sizeof fields, body))
                return std::nullopt;
            format = formatOf(fields);
            if (!format)
                return std::nullopt;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!format)
                return std::nullopt;
            const std::uint64_t present = std::min(size, fileLength - body);
            return WaveHeader{*format, body, present - present % format->frameBytes()};
        }
        offset = body + size + (size & 1);
    }
    return std::nullopt;
}

std::uint32_t WaveHeader::wholeFrames(const PcmFormat &format, std::uint64_t bytes)
{
    // Capped first: the cap itself is no whole number of frames.
    const std::uint64_t frame = std::max<std::uint16_t>(format.frameBytes(), 1);
    const std::uint64_t counted = std::min<std::uint64_t>(bytes, kMaxDataBytes);
    return std::uint32_t(counted - counted % frame);
}

unsigned WaveHeader::lengthMs() const
{
    const std::uint32_t perSecond = format.bytesPerSecond();
    return perSecond ? unsigned(dataBytes * 1000 / perSecond) : 0;
}

std::uint64_t WaveHeader::byteAt(unsigned ms) const
{
    const std::uint64_t byte = std::uint64_t(ms) * format.bytesPerSecond() / 1000;
    return std::min(byte - byte % format.frameBytes(), dataBytes);
}
