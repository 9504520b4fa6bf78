// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Player.h"
#include "PulseConnection.h"
#include "WaveHeader.h"

#include <cstdint>
#include <vector>

struct pa_stream;

// Plays wave files through the default PulseAudio sink. One file is open at a
// time; the audio is streamed from the file, never loaded whole.
class PulsePlayer : public Player {
public:
    PulsePlayer();
    ~PulsePlayer() override;

    unsigned length(const std::string &file) override;
    std::string mode(const std::string &file) override;
    unsigned position(const std::string &file) override;
    bool play(const std::string &file, unsigned fromMs, unsigned toMs) override;
    void stop(const std::string &file) override;
    void close(const std::string &file) override;

private:
    bool openFile(const std::string &file);
    void closeFile();
    bool startStream(unsigned fromMs, unsigned toMs);
    // With the loop locked.
    void dropStream();
    unsigned streamPositionLocked();
    void feed(std::size_t bytes);
    static void onWritable(pa_stream *stream, std::size_t bytes, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);

    PulseConnection connection_;
    std::string openName_;
    int fd_ = -1;
    WaveHeader info_;
    pa_stream *stream_ = nullptr; // guarded by the loop's lock
    bool playing_ = false;        // guarded by the loop's lock
    bool playedOut_ = false;      // guarded by the loop's lock
    unsigned fromMs_ = 0;
    unsigned toMs_ = 0;
    unsigned stoppedAtMs_ = 0;   // guarded by the loop's lock
    std::uint64_t nextByte_ = 0; // guarded by the loop's lock
    std::uint64_t endByte_ = 0;
    std::vector<char> chunk_;
};
