// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder's take on disk, as a capture leaves it (appended in pieces of
// any size, then completed) or as a run that ended early may leave it (any
// header, possibly still moved aside by a cut), taken up at start, then cut
// to positions of any value, each perhaps undone. Completing and taking up
// leave a WAV file of whole frames that the player reads as its header says;
// a file that is not this recorder's take is left alone. A refused cut leaves
// the take byte for byte as it was; a cut that is made keeps one run of whole
// frames of the old data, which starts on a 50 ms boundary and ends on one or
// at the end, and undoing it puts back the take byte for byte.
#include "BufferFile.h"
#include "FuzzCheck.h"
#include "ScratchFolder.h"
#include "WaveHeader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeader = BufferFile::kHeaderSize;
constexpr std::uint32_t kBytesPerSecond = 176400;
constexpr std::uint32_t kCutStep = kBytesPerSecond / 20;
constexpr std::size_t kFrame = 4;
// Two seconds: enough for cuts (a take under one second is not cut).
constexpr std::size_t kMostData = 2 * kBytesPerSecond;
constexpr std::size_t kLargestPiece = 65536;
constexpr int kMostPieces = 16;
constexpr std::uint32_t kLikelyPositionMs = 4000;

// PCM in which every frame holds its own number, so any run of it tells
// where it was taken from.
const Bytes &numberedFrames()
{
    static const Bytes frames = [] {
        Bytes bytes(kMostData);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = std::uint8_t((i / kFrame) >> (8 * (i % kFrame)));
        return bytes;
    }();
    return frames;
}

std::uint32_t le32(const std::uint8_t *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

// What the header of a take of this many data bytes holds.
Bytes headerFor(std::uint32_t dataBytes)
{
    const std::uint8_t format[18] = {1,    0, 2, 0, 0x44, 0xAC, 0, 0,  0x10,
                                     0xB1, 2, 0, 4, 0,    16,   0, 18, 0};
    Bytes header;
    const auto put32 = [&header](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header.push_back(std::uint8_t(v >> (8 * i)));
    };
    const auto text = [&header](const char *t) { header.insert(header.end(), t, t + 4); };
    text("RIFF");
    put32(dataBytes + 38);
    text("WAVE");
    text("fmt ");
    put32(sizeof format);
    header.insert(header.end(), format, format + sizeof format);
    text("data");
    put32(dataBytes);
    return header;
}

bool writeFile(const std::filesystem::path &file, const Bytes &bytes)
{
    return ScratchFolder::write(
        file, std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
}

std::optional<WaveHeader> playerView(const std::filesystem::path &file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    std::optional<WaveHeader> info = WaveHeader::read(fd);
    ::close(fd);
    return info;
}

void checkComplete(BufferFile &take, std::size_t appended)
{
    const Bytes file = ScratchFolder::read(take.bufferPath());
    const std::size_t held = appended - appended % kFrame;
    FUZZ_CHECK(file.size() == kHeader + held);
    FUZZ_CHECK(take.dataBytes() == held);
    FUZZ_CHECK(Bytes(file.begin(), file.begin() + kHeader) == headerFor(std::uint32_t(held)));
    FUZZ_CHECK(std::equal(file.begin() + kHeader, file.end(), numberedFrames().begin()));
    const std::optional<WaveHeader> info = playerView(take.bufferPath());
    FUZZ_CHECK(info && info->dataOffset == kHeader && info->dataBytes == held);
}

std::uint32_t position(FuzzedDataProvider &input)
{
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint32_t>(0, kLikelyPositionMs)
                               : input.ConsumeIntegral<std::uint32_t>();
}

void checkUndo(BufferFile &take, const Bytes &before)
{
    FUZZ_CHECK(ScratchFolder::read(take.undoPath()) == before);
    FUZZ_CHECK(take.undoCut().done());
    FUZZ_CHECK(ScratchFolder::read(take.bufferPath()) == before);
    FUZZ_CHECK(!take.hasUndo());
    const std::size_t data = before.size() > kHeader ? before.size() - kHeader : 0;
    FUZZ_CHECK(take.dataBytes() == data - data % kFrame);
}

void checkCut(BufferFile &take, std::uint32_t startMs, std::uint32_t endMs, bool undo)
{
    const Bytes before = ScratchFolder::read(take.bufferPath());
    const CutOutcome outcome = take.cut(startMs, endMs);
    const Bytes after = ScratchFolder::read(take.bufferPath());
    FUZZ_CHECK(!std::filesystem::exists(take.oldBufferPath()));
    if (!outcome.done()) {
        FUZZ_CHECK(after == before);
        return;
    }
    FUZZ_CHECK(outcome.undoKept);
    if (undo) {
        checkUndo(take, before);
        return;
    }
    FUZZ_CHECK(after.size() >= kHeader);
    const std::size_t data = before.size() > kHeader ? before.size() - kHeader : 0;
    const std::size_t kept = after.size() - kHeader;
    FUZZ_CHECK(Bytes(after.begin(), after.begin() + kHeader) == headerFor(std::uint32_t(kept)));
    FUZZ_CHECK(take.dataBytes() == kept);
    FUZZ_CHECK(take.wholeSeconds() == kept / kBytesPerSecond);
    FUZZ_CHECK(kept % kFrame == 0);
    if (kept == 0)
        return;
    // The old data starts on a numbered frame (a take, or an earlier cut of one).
    const std::size_t start = std::size_t(le32(&after[kHeader]) - le32(&before[kHeader])) * kFrame;
    FUZZ_CHECK(start % kCutStep == 0);
    FUZZ_CHECK(start + kept <= data);
    FUZZ_CHECK(std::equal(after.begin() + kHeader, after.end(), before.begin() + kHeader + start));
    FUZZ_CHECK(kept % kCutStep == 0 || data - (start + kept) < kFrame);
    const std::optional<WaveHeader> info = playerView(take.bufferPath());
    FUZZ_CHECK(info && info->dataBytes == kept);
}

// A file found at start: when its header is this recorder's, whatever its
// counts, it is held to its whole frames and counts them; any other file is
// left as it is.
void checkRecover(BufferFile &take, const Bytes &found)
{
    const std::uint32_t held = take.recover();
    const Bytes after = ScratchFolder::read(take.bufferPath());
    FUZZ_CHECK(!std::filesystem::exists(take.oldBufferPath()));
    const Bytes ours = headerFor(0);
    const bool recorders = found.size() >= kHeader &&
                           std::equal(ours.begin(), ours.begin() + 4, found.begin()) &&
                           std::equal(ours.begin() + 8, ours.begin() + 42, found.begin() + 8);
    if (!recorders) {
        FUZZ_CHECK(held == 0 && after == found);
        return;
    }
    const std::size_t data = found.size() - kHeader;
    FUZZ_CHECK(held == data - data % kFrame && take.dataBytes() == held);
    Bytes expected = headerFor(held);
    expected.insert(expected.end(), found.begin() + kHeader, found.begin() + kHeader + held);
    FUZZ_CHECK(after == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    ScratchFolder::clear();
    BufferFile take(ScratchFolder::path());
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, kMostData);

    if (input.ConsumeBool()) {
        FUZZ_CHECK(take.prepare().done());
        std::size_t appended = 0;
        for (int pieces = 1; appended < length; ++pieces) {
            // The last piece takes the rest: capture blocks are never tiny.
            const std::size_t piece =
                pieces == kMostPieces
                    ? length - appended
                    : std::min(length - appended,
                               input.ConsumeIntegralInRange<std::size_t>(1, kLargestPiece));
            FUZZ_CHECK(take.append(numberedFrames().data() + appended, piece) == piece);
            appended += piece;
        }
        take.complete();
        checkComplete(take, appended);
    } else {
        // Found on disk: this recorder's header with any counts, or any
        // bytes, and numbered frames after it; perhaps still moved aside by a
        // cut, with whatever the cut had written so far in the take's place.
        const Bytes header = input.ConsumeBool() ? headerFor(input.ConsumeIntegral<std::uint32_t>())
                                                 : input.ConsumeBytes<std::uint8_t>(kHeader);
        Bytes file(header);
        if (header.size() == kHeader)
            file.insert(file.end(), numberedFrames().begin(), numberedFrames().begin() + length);
        const bool movedAside = input.ConsumeBool();
        if (movedAside)
            FUZZ_CHECK(writeFile(take.bufferPath(), input.ConsumeBytes<std::uint8_t>(kHeader)));
        FUZZ_CHECK(writeFile(movedAside ? take.oldBufferPath() : take.bufferPath(), file));
        checkRecover(take, file);
    }

    const int cuts = input.ConsumeIntegralInRange(1, 2);
    for (int i = 0; i < cuts; ++i) {
        const std::uint32_t startMs = position(input);
        const std::uint32_t endMs = position(input);
        checkCut(take, startMs, endMs, input.ConsumeBool());
    }
    return 0;
}
