// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Mp3Decoder.h"
#include "PulseConnection.h"
#include "SoundPlayer.h"

struct pa_stream;

// Plays a decoded MP3 file through the default PulseAudio sink on the
// library's own thread. One sound at a time; a new play replaces it.
class PulseSoundPlayer : public SoundPlayer {
public:
    PulseSoundPlayer();
    ~PulseSoundPlayer() override;
    PulseSoundPlayer(const PulseSoundPlayer &) = delete;
    PulseSoundPlayer &operator=(const PulseSoundPlayer &) = delete;

    bool play(const std::filesystem::path &file) override;
    void pause() override;

private:
    void stopStream();
    void closeStream(); // with the loop's lock held
    static void onStreamState(pa_stream *stream, void *self);
    static void onWritable(pa_stream *stream, size_t bytes, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);

    PulseConnection connection_;
    pa_stream *stream_ = nullptr;
    PcmSound sound_;
    size_t written_ = 0; // bytes of sound_ handed to the server
    bool draining_ = false;
};
