// SPDX-License-Identifier: GPL-3.0-or-later
// A WAV file as the take player opens it: any bytes. What it finds of the
// PCM lies inside the file and is whole frames of a plausible format, and
// every position maps to a whole frame inside the data, later positions to
// later bytes.
#include "FuzzCheck.h"
#include "WaveHeader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <sys/mman.h>
#include <unistd.h>

#include <optional>

namespace {

// The file, in memory: the player reads it only through the descriptor.
int memoryFile(const std::uint8_t *data, std::size_t size)
{
    const int fd = ::memfd_create("wave", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::write(fd, data, size) == ssize_t(size));
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const int fd = memoryFile(data, size);
    const std::optional<WaveHeader> info = WaveHeader::read(fd);
    ::close(fd);
    if (!info)
        return 0;
    const std::uint16_t frame = info->format.frameBytes();
    FUZZ_CHECK(info->format.channels >= 1 && frame > 0 && info->format.bytesPerSecond() > 0);
    FUZZ_CHECK(info->dataOffset >= 12 && info->dataOffset + info->dataBytes <= size);
    FUZZ_CHECK(info->dataBytes % frame == 0);

    FuzzedDataProvider positions(data, size);
    std::uint64_t previous = 0;
    unsigned ms = 0;
    for (int i = 0; i < 8; ++i) {
        ms += positions.ConsumeIntegral<std::uint16_t>();
        const std::uint64_t byte = info->byteAt(ms);
        FUZZ_CHECK(byte <= info->dataBytes && byte % frame == 0 && byte >= previous);
        previous = byte;
    }
    FUZZ_CHECK(info->byteAt(info->lengthMs()) <= info->dataBytes);
    return 0;
}
