// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TakeOutcome.h"
#include "WaveHeader.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class ReplacingFile;

// The recorder's take on disk: a RIFF WAVE file with a fixed 46-byte header
// (its format chunk is the 18-byte format block) followed by raw PCM. The
// capture appends to it, the player reads it, and a cut rewrites it to the
// part between two positions.
class BufferFile {
public:
    static constexpr std::uint32_t kHeaderSize = WaveHeader::kSize;
    // The take, and the whole take while a cut writes the kept part in its place.
    static constexpr const char *kBufferName = "NUVRecord.wav";
    static constexpr const char *kOldBufferName = "NUVRecordOld.wav";
    // The take as it was before the last cut, kept to undo that cut.
    static constexpr const char *kUndoName = "NUVRecordUndo.wav";
    // Bytes a cut copies per step.
    static constexpr std::size_t kCopyStep = 1 << 20;

    // folder: where the buffer files live (the program folder, or its
    // writable stand-in).
    explicit BufferFile(std::filesystem::path folder);
    ~BufferFile();
    BufferFile(const BufferFile &) = delete;
    BufferFile &operator=(const BufferFile &) = delete;

    // The folder a running recorder uses.
    static std::filesystem::path defaultFolder();

    const std::filesystem::path &bufferPath() const { return bufferPath_; }
    const std::filesystem::path &mp3Path() const { return mp3Path_; }
    const std::filesystem::path &oldBufferPath() const { return oldBufferPath_; }
    const std::filesystem::path &undoPath() const { return undoPath_; }

    const PcmFormat &format() const { return format_; }
    void setFormat(const PcmFormat &format) { format_ = format; }
    std::uint32_t dataBytes() const { return dataBytes_; }
    // The take's length in whole seconds.
    std::uint32_t wholeSeconds() const;

    // Takes up the take an earlier run left: one a cut was rewriting when the
    // run ended is put back whole, and one whose header counts less than the
    // file holds (the run was killed mid-take) gets a header that counts every
    // whole frame, up to what a header can count; only a torn last frame is
    // cut off. The undo an earlier run kept is over. Returns the take's data
    // bytes, 0 when there is none.
    std::uint32_t recover();
    // recover() within a run, after a take that never started: the take on
    // disk is still the one the undo was kept for.
    std::uint32_t takeUpKept();

    // Starts a new take: a file holding a header and no data, open for
    // appending and marked as in use, replaces the last take. Refuses when
    // the take is in use or the new file cannot be made; the last take, and
    // the undo of its last cut, are then left as they were. Once the new take
    // is in place, the last cut can no longer be undone.
    TakeOutcome prepare();
    // prepare() in two steps, for a capture that may yet fail to start: the
    // new take is made beside the last one, which stays in place until
    // putInPlace() replaces it or dropPrepared() removes the new one.
    TakeOutcome prepareAside();
    bool hasPrepared() const { return prepared_ != nullptr; }
    TakeOutcome putInPlace();
    void dropPrepared();
    bool isOpen() const { return descriptor_ >= 0; }
    // Appends PCM to the open take; returns the bytes that reached the file
    // (fewer when the disk is full, errno then says why; none and EBADF when
    // no take is open). The header counts
    // the audio at least once a second, so a take whose run is killed still plays.
    std::size_t append(const std::uint8_t *data, std::size_t length);
    // Closes the take and writes its final header. The data count is held to
    // what the file really holds, in whole sample frames. Does nothing when
    // the file cannot be opened or is in use.
    void complete();

    // Keeps the audio between startMs and endMs (endMs 0: to the end of the
    // take): start and length are whole 50 ms blocks, held to the audio there
    // is. The kept part is on disk before the take as it was becomes the
    // undo of this cut (replacing that of an earlier one); a cut that fails
    // leaves the take, and the undo there was, as they were. Reads and writes
    // only the files, so it may run on another thread while nothing else
    // touches the take.
    CutOutcome cutFile(std::uint32_t startMs, std::uint32_t endMs) const;
    // Takes a cut that was done in: the take has its new length.
    void applyCut(const CutOutcome &outcome);
    // Both of the above at once.
    CutOutcome cut(std::uint32_t startMs, std::uint32_t endMs);
    // Puts the take back as it was before the last cut, byte for byte.
    TakeOutcome undoCut();
    bool hasUndo() const;
    void dropUndo();

private:
    struct CutSpan {
        std::uint64_t start = 0;
        std::uint64_t length = 0;
    };
    CutSpan cutSpan(std::uint32_t startMs, std::uint32_t endMs, std::uint64_t data) const;
    bool copyKeptPart(int from, int to, const CutSpan &span, std::uint64_t &copied) const;
    bool keepUndo() const;
    bool writeHeader(int descriptor, std::uint32_t dataBytes) const;
    std::uint32_t wholeFrames(std::uint64_t bytes) const
    {
        return WaveHeader::wholeFrames(format_, bytes);
    }
    void closeStream();
    TakeOutcome cannotRecordInto(const std::string &cause) const;

    std::filesystem::path bufferPath_;
    std::filesystem::path mp3Path_;
    std::filesystem::path oldBufferPath_;
    std::filesystem::path undoPath_;
    PcmFormat format_;
    std::uint32_t dataBytes_ = 0;
    std::uint32_t headerCounts_ = 0;
    int descriptor_ = -1;
    std::unique_ptr<ReplacingFile> prepared_;
};
