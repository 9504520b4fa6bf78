// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Mp3EncoderLibrary.h"
#include "PcmFormat.h"
#include "ReplacingFile.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class MessageBoxes;

// The output writer: turns a stream of PCM blocks into an MP3 file through the
// encoder library. Used by one converting thread, in this order: SetFormat,
// OpenOutput, FeedOutput any number of times, ReleaseOutput. Callers use
// slot 0; slot 1 stays closed unless opened.
//
// The file is written beside its name and put in place only when the whole of
// it (flushed, tagged, on disk) is there: a failed or abandoned conversion
// leaves a file of that name as it was.
class CAudioPlayRec {
public:
    static constexpr int kSlots = 2;

    // encoderLibrary: the encoder library's file name, as dlopen takes it.
    explicit CAudioPlayRec(MessageBoxes &messages,
                           std::string encoderLibrary = Mp3EncoderLibrary::kDefaultFile);
    ~CAudioPlayRec();
    CAudioPlayRec(const CAudioPlayRec &) = delete;
    CAudioPlayRec &operator=(const CAudioPlayRec &) = delete;

    // Channel mode 0 is mono, anything else stereo; bits are held to 16. Always 1.
    int SetFormat(int channelMode, std::uint32_t samplesPerSecond, std::uint16_t bitsPerSample);
    // Opens an MP3 output (the path ends in ".mp3", exactly) in a slot. False
    // after telling the user why. A slot that is already open stays as it is.
    bool OpenOutput(int slot, const std::string &path);
    // One block per slot; closed slots and slots that failed are skipped.
    void FeedOutput(const std::uint32_t lengths[kSlots], const std::uint8_t *const blocks[kSlots]);
    // Encodes what is left, flushes the encoder, writes the info tag into the
    // first frame, closes the files and puts them in place. False when some
    // audio did not reach a file (an encoder or write failure); that file is
    // then not put in place.
    bool ReleaseOutput();

    const PcmFormat &format() const { return format_; }
    std::uint32_t samplesPerChunk() const { return samplesPerChunk_; }
    std::uint32_t inputCapacity() const { return inputCapacity_; }
    std::uint32_t outputBufferSize(int slot) const;

private:
    struct Slot {
        std::string path;
        std::unique_ptr<ReplacingFile> target;
        std::FILE *file = nullptr;
        Mp3EncoderLibrary::Stream stream = nullptr;
        std::vector<std::uint8_t> output;
        std::vector<std::int16_t> input;
        std::uint32_t fill = 0;
        bool failed = false;
    };

    bool LoadEncoder();
    std::uint32_t OpenEncoderStream(Slot &slot);
    bool EncodeChunk(Slot &slot, const std::uint8_t *pcm, std::uint32_t byteCount);
    void feed(Slot &slot, const std::uint8_t *block, std::uint32_t length);
    bool finish(Slot &slot);
    bool writeOutput(Slot &slot, std::uint32_t bytes);
    bool putInPlace(Slot &slot);
    void closeSlot(Slot &slot);
    void fail(Slot &slot, const std::string &text);
    void tell(const std::string &text, const char *caption) const;

    MessageBoxes &messages_;
    Mp3EncoderLibrary encoder_;
    PcmFormat format_;
    std::uint32_t samplesPerChunk_ = 0;
    std::uint32_t inputCapacity_ = 0;
    std::uint32_t outputSize_ = 0;
    std::array<Slot, kSlots> slots_;
};
