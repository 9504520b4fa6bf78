// SPDX-License-Identifier: GPL-3.0-or-later
#include "CAudioPlayRec.h"

#include "FileInUseLock.h"
#include "MessageBoxes.h"
#include "RecorderTexts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

bool isMp3Path(const std::string &path)
{
    static constexpr std::string_view suffix = ".mp3";
    return path.size() >= suffix.size() && path.ends_with(suffix);
}

} // namespace

CAudioPlayRec::CAudioPlayRec(MessageBoxes &messages, std::string encoderLibrary)
    : messages_(messages), encoder_(std::move(encoderLibrary))
{
}

CAudioPlayRec::~CAudioPlayRec()
{
    for (Slot &slot : slots_)
        closeSlot(slot);
}

void CAudioPlayRec::closeSlot(Slot &slot)
{
    encoder_.closeStream(std::exchange(slot.stream, nullptr));
    if (slot.file)
        std::fclose(std::exchange(slot.file, nullptr));
    slot = Slot{}; // a file never put in place goes with its slot
}

void CAudioPlayRec::tell(const std::string &text, const char *caption) const
{
    messages_.inform(text, caption);
}

int CAudioPlayRec::SetFormat(int channelMode, std::uint32_t samplesPerSecond,
                             std::uint16_t bitsPerSample)
{
    for (Slot &slot : slots_)
        closeSlot(slot);
    samplesPerChunk_ = 0;
    format_ = PcmFormat{std::uint16_t(channelMode != 0 ? 2 : 1),
                        std::min<std::uint16_t>(bitsPerSample, 16), samplesPerSecond};
    return 1;
}

std::uint32_t CAudioPlayRec::outputBufferSize(int slot) const
{
    return slot >= 0 && slot < kSlots ? std::uint32_t(slots_[slot].output.size()) : 0;
}

bool CAudioPlayRec::LoadEncoder()
{
    switch (encoder_.load()) {
    case Mp3EncoderLibrary::LoadResult::Loaded:
        encoder_.version();
        return true;
    case Mp3EncoderLibrary::LoadResult::Missing:
        tell(RecorderTexts::format(RecorderTexts::kEncoderMissing, encoder_.fileName().c_str()),
             RecorderTexts::kApplication);
        return false;
    case Mp3EncoderLibrary::LoadResult::IncompleteInterface:
        tell(RecorderTexts::kEncoderInterfaces, RecorderTexts::kApplication);
        return false;
    }
    return false;
}

std::uint32_t CAudioPlayRec::OpenEncoderStream(Slot &slot)
{
    const auto config = Mp3EncoderConfig::forOutput(format_.channels, format_.sampleRate);
    return encoder_.initStream(config, samplesPerChunk_, outputSize_, slot.stream);
}

bool CAudioPlayRec::OpenOutput(int index, const std::string &path)
{
    if (index < 0 || index >= kSlots)
        return false;
    Slot &slot = slots_[index];
    if (!isMp3Path(path)) {
        tell(RecorderTexts::format(RecorderTexts::kMp3Only, path.c_str()),
             RecorderTexts::kApplication);
        return false;
    }
    if (format_.bitsPerSample == 8) {
        tell(RecorderTexts::kNoEightBitMp3, RecorderTexts::kApplication);
        return false;
    }
    if (!LoadEncoder())
        return false;
    if (slot.file)
        return true;
    slot.path = path;
    const std::uint32_t error = OpenEncoderStream(slot);
    inputCapacity_ = format_.bytesPerSecond() * 5 / 20;
    if (error != Mp3EncoderLibrary::Successful) {
        tell(RecorderTexts::format(RecorderTexts::kEncoderStreamFailed, (unsigned long)error),
             RecorderTexts::kApplication);
        return false;
    }
    if (FileInUseLock::isInUse(path)) {
        closeSlot(slot);
        tell(RecorderTexts::kOutputInUse, RecorderTexts::kOutputInUseCaption);
        return false;
    }
    // Nothing is deleted up front: the file of that name stays until the new
    // one is complete.
    slot.target = std::make_unique<ReplacingFile>(path);
    std::string cause;
    if (!slot.target->create()) {
        cause = slot.target->errorText();
    } else {
        const int own = ::fcntl(slot.target->descriptor(), F_DUPFD_CLOEXEC, 0);
        slot.file = own >= 0 ? ::fdopen(own, "wb+") : nullptr;
        if (!slot.file) {
            cause = RecorderTexts::causeOf(errno);
            if (own >= 0)
                ::close(own);
        }
    }
    if (!slot.file) {
        closeSlot(slot);
        tell(RecorderTexts::format(RecorderTexts::kCreateFileFailed, path.c_str(), cause.c_str()),
             RecorderTexts::kApplication);
        return false;
    }
    slot.output.assign(outputSize_, 0);
    slot.input.assign((inputCapacity_ + 1) / 2, 0);
    slot.fill = 0;
    slot.failed = false;
    return true;
}

void CAudioPlayRec::FeedOutput(const std::uint32_t lengths[kSlots],
                               const std::uint8_t *const blocks[kSlots])
{
    for (int i = 0; i < kSlots; ++i) {
        if (slots_[i].file && !slots_[i].failed && blocks[i])
            feed(slots_[i], blocks[i], lengths[i]);
    }
}

void CAudioPlayRec::feed(Slot &slot, const std::uint8_t *block, std::uint32_t length)
{
    const std::uint32_t chunkBytes = format_.bitsPerSample / 8 * samplesPerChunk_;
    auto *input = reinterpret_cast<std::uint8_t *>(slot.input.data());
    while (length > 0 && !slot.failed) {
        const std::uint32_t n = std::min(length, inputCapacity_ - slot.fill);
        if (n == 0)
            break; // a format whose chunk outgrows the input buffer: nothing can move
        std::memcpy(input + slot.fill, block, n);
        slot.fill += n;
        block += n;
        length -= n;
        // A chunk is encoded once more input follows it; the last one waits
        // for the release.
        while (slot.fill > chunkBytes && !slot.failed) {
            EncodeChunk(slot, input, chunkBytes);
            slot.fill -= chunkBytes;
            std::memmove(input, input + chunkBytes, slot.fill);
        }
    }
}

bool CAudioPlayRec::EncodeChunk(Slot &slot, const std::uint8_t *pcm, std::uint32_t byteCount)
{
    std::uint32_t produced = 0;
    const std::uint32_t error =
        encoder_.encodeChunk(slot.stream, byteCount / 2,
                             reinterpret_cast<const std::int16_t *>(pcm), slot.output, produced);
    if (error != Mp3EncoderLibrary::Successful) {
        encoder_.closeStream(std::exchange(slot.stream, nullptr));
        fail(slot, RecorderTexts::format(RecorderTexts::kEncodeChunkFailed, (unsigned long)error));
        return false;
    }
    return writeOutput(slot, produced);
}

bool CAudioPlayRec::writeOutput(Slot &slot, std::uint32_t bytes)
{
    if (std::fwrite(slot.output.data(), 1, bytes, slot.file) == bytes)
        return true;
    fail(slot, RecorderTexts::kOutputWriteError);
    return false;
}

void CAudioPlayRec::fail(Slot &slot, const std::string &text)
{
    slot.failed = true;
    tell(text, RecorderTexts::kApplication);
}

bool CAudioPlayRec::finish(Slot &slot)
{
    if (!slot.failed) {
        // The rest of the input, down to whole frames, then what the encoder
        // still holds; without this the end of every take would be lost.
        const std::uint32_t rest =
            slot.fill - slot.fill % std::max<std::uint32_t>(format_.frameBytes(), 2);
        if (rest > 0)
            EncodeChunk(slot, reinterpret_cast<const std::uint8_t *>(slot.input.data()), rest);
    }
    if (!slot.failed) {
        std::uint32_t produced = 0;
        const std::uint32_t error = encoder_.deinitStream(slot.stream, slot.output, produced);
        if (error != Mp3EncoderLibrary::Successful)
            fail(slot,
                 RecorderTexts::format(RecorderTexts::kEncodeChunkFailed, (unsigned long)error));
        else
            writeOutput(slot, produced);
    }
    if (!slot.failed && !encoder_.writeInfoTag(slot.stream, slot.file))
        fail(slot, RecorderTexts::kOutputWriteError);
    encoder_.closeStream(std::exchange(slot.stream, nullptr));
    if (std::fclose(std::exchange(slot.file, nullptr)) != 0 && !slot.failed)
        fail(slot, RecorderTexts::kOutputWriteError);
    const bool complete = !slot.failed && putInPlace(slot);
    closeSlot(slot);
    return complete;
}

bool CAudioPlayRec::putInPlace(Slot &slot)
{
    if (slot.target->commit())
        return true;
    fail(slot, RecorderTexts::format(RecorderTexts::kCannotSave, slot.path.c_str(),
                                     slot.target->errorText().c_str()));
    return false;
}

bool CAudioPlayRec::ReleaseOutput()
{
    bool complete = true;
    for (Slot &slot : slots_) {
        if (slot.file)
            complete = finish(slot) && complete;
    }
    return complete;
}
