#pragma once

#include "WaveFormat.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

class MessageBoxes;

// The recorder's take on disk: a RIFF WAVE file with a fixed 46-byte header
// (its format chunk is the 18-byte format block) followed by raw PCM. The
// capture appends to it, the player reads it, and a cut rewrites it to the
// part between two positions.
class BufferFile {
public:
    static constexpr std::uint32_t kHeaderSize = 46;
    // Bytes a cut copies per step.
    static constexpr std::size_t kCopyStep = 1 << 20;

    // folder: where the buffer files live (the program folder, or its
    // writable stand-in).
    BufferFile(std::filesystem::path folder, MessageBoxes &messages);
    ~BufferFile();
    BufferFile(const BufferFile &) = delete;
    BufferFile &operator=(const BufferFile &) = delete;

    // The folder a running recorder uses.
    static std::filesystem::path defaultFolder();

    const std::filesystem::path &bufferPath() const { return bufferPath_; }
    const std::filesystem::path &mp3Path() const { return mp3Path_; }
    const std::filesystem::path &oldBufferPath() const { return oldBufferPath_; }

    const WaveFormat &format() const { return format_; }
    void setFormat(const WaveFormat &format) { format_ = format; }
    std::uint32_t dataBytes() const { return dataBytes_; }

    // The header of a file holding dataBytes bytes of PCM in this format.
    static std::array<std::uint8_t, kHeaderSize> header(const WaveFormat &format,
                                                       std::uint32_t dataBytes);

    // Starts a new take: deletes the old file and creates it anew holding a
    // header and no data, open for appending and marked as in use. Refuses
    // (after telling the user) when the file is in use or cannot be created.
    bool prepare();
    bool isOpen() const { return descriptor_ >= 0; }
    // Appends PCM to the open take; returns the bytes that reached the file
    // (fewer when the disk is full).
    std::size_t append(const std::uint8_t *data, std::size_t length);
    // Closes the take and writes its final header. The data count is held to
    // what the file really holds, in whole sample frames. Does nothing when
    // the file cannot be opened or is in use.
    void complete();

    // Keeps the audio between startMs and endMs (endMs 0: to the end of the
    // take), both lowered to 50 ms boundaries. Returns the new length in whole
    // seconds (the position scroll bar's maximum), or nothing when the take
    // was left as it was (the user has been told why).
    std::optional<std::uint32_t> cut(std::uint32_t startMs, std::uint32_t endMs);

private:
    struct CutSpan {
        std::uint64_t start = 0;
        std::uint64_t length = 0;
    };
    CutSpan cutSpan(std::uint32_t startMs, std::uint32_t endMs, std::uint64_t takeMs,
                    std::uint64_t dataOnDisk) const;
    bool copyKeptPart(int from, int to, const CutSpan &span, std::uint64_t &copied) const;
    bool writeHeader(int descriptor) const;
    void closeStream();
    void tell(const char *text) const;

    std::filesystem::path bufferPath_;
    std::filesystem::path mp3Path_;
    std::filesystem::path oldBufferPath_;
    MessageBoxes &messages_;
    WaveFormat format_;
    std::uint32_t dataBytes_ = 0;
    int descriptor_ = -1;
};
