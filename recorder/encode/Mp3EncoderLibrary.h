// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Mp3EncoderConfig.h"

#include <lame/lame.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

// The MP3 encoder library (libmp3lame), loaded at run time by file name and
// used through the entry points of an encoder-library interface: open a
// stream from a configuration record, encode a chunk, flush, close, version,
// and the info tag (which doubles as the VBR header frame). Results are the
// interface's error codes, 0 for success.
class Mp3EncoderLibrary {
public:
    static constexpr const char *kDefaultFile = "libmp3lame.so.0";

    enum class LoadResult { Loaded, Missing, IncompleteInterface };
    enum Error : std::uint32_t {
        Successful = 0,
        InvalidFormat = 1,
        InvalidFormatParameters = 2,
        NoMoreHandles = 3,
        InvalidHandle = 4,
        BufferTooSmall = 5,
    };
    using Stream = lame_t;

    explicit Mp3EncoderLibrary(std::string fileName = kDefaultFile);
    ~Mp3EncoderLibrary();
    Mp3EncoderLibrary(const Mp3EncoderLibrary &) = delete;
    Mp3EncoderLibrary &operator=(const Mp3EncoderLibrary &) = delete;

    const std::string &fileName() const { return fileName_; }
    // Loads the library and resolves every entry point. Once loaded it stays
    // loaded for the life of the process, as streams may still refer to it.
    LoadResult load();
    bool isLoaded() const { return bound_; }

    // Opens a stream. samplesPerChunk counts the samples of all channels that
    // one encoder call takes; outputBufferSize is what a call may produce.
    std::uint32_t initStream(const Mp3EncoderConfig &config, std::uint32_t &samplesPerChunk,
                             std::uint32_t &outputBufferSize, Stream &stream) const;
    // Encodes 16-bit samples (all channels counted, interleaved).
    std::uint32_t encodeChunk(Stream stream, std::uint32_t samples, const std::int16_t *pcm,
                              std::span<std::uint8_t> output, std::uint32_t &outputBytes) const;
    // Encodes what the stream still holds and pads the last frame.
    std::uint32_t deinitStream(Stream stream, std::span<std::uint8_t> output,
                               std::uint32_t &outputBytes) const;
    void closeStream(Stream stream) const;
    std::string version() const;
    // Rewrites the file's first frame with the stream's info tag (length,
    // encoder delay and padding, so players can be gapless). The file must
    // start with the stream's output.
    bool writeInfoTag(Stream stream, std::FILE *file) const;

private:
    struct EntryPoints;
    bool configure(Stream stream, const Mp3EncoderConfig &config) const;

    std::string fileName_;
    void *handle_ = nullptr;
    bool bound_ = false;
    std::unique_ptr<const EntryPoints> entry_;
};
