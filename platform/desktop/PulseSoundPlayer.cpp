// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseSoundPlayer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

PulseSoundPlayer::PulseSoundPlayer() : connection_("Orlenta") {}

PulseSoundPlayer::~PulseSoundPlayer()
{
    stopStream();
}

void PulseSoundPlayer::stopStream()
{
    if (!connection_.loop())
        return;
    connection_.lock();
    closeStream();
    connection_.unlock();
}

void PulseSoundPlayer::onStreamState(pa_stream *, void *self)
{
    static_cast<PulseSoundPlayer *>(self)->connection_.signal();
}

void PulseSoundPlayer::onWritable(pa_stream *stream, size_t bytes, void *self)
{
    auto *player = static_cast<PulseSoundPlayer *>(self);
    const size_t total = player->sound_.samples.size() * sizeof(std::int16_t);
    const size_t left = total - player->written_;
    const size_t count = std::min(bytes, left);
    if (count > 0) {
        const auto *data =
            reinterpret_cast<const char *>(player->sound_.samples.data()) + player->written_;
        if (pa_stream_write(stream, data, count, nullptr, 0, PA_SEEK_RELATIVE) == 0)
            player->written_ += count;
    }
    // Everything handed over: let it play out, then leave the server alone.
    if (player->written_ == total && !player->draining_) {
        player->draining_ = true;
        if (pa_operation *operation = pa_stream_drain(stream, onDrained, self))
            pa_operation_unref(operation);
    }
}

void PulseSoundPlayer::onDrained(pa_stream *stream, int success, void *)
{
    if (success)
        pa_stream_disconnect(stream);
}

void PulseSoundPlayer::closeStream()
{
    PulseConnection::dropStream(stream_);
}

bool PulseSoundPlayer::play(const std::filesystem::path &file)
{
    std::optional<PcmSound> sound = Mp3Decoder::decode(file);
    if (!sound || sound->channels < 1 || sound->channels > static_cast<int>(PA_CHANNELS_MAX))
        return false;
    // The old stream goes first: a reconnect would leave it on a freed loop.
    stopStream();
    if (!connection_.ensureReady())
        return false;
    connection_.lock();
    sound_ = std::move(*sound);
    written_ = 0;
    draining_ = false;
    const pa_sample_spec spec{PA_SAMPLE_S16NE, static_cast<uint32_t>(sound_.rate),
                              static_cast<uint8_t>(sound_.channels)};
    stream_ = pa_stream_new(connection_.context(), "start-up sound", &spec, nullptr);
    bool started = false;
    if (stream_) {
        pa_stream_set_state_callback(stream_, onStreamState, this);
        pa_stream_set_write_callback(stream_, onWritable, this);
        started = pa_stream_connect_playback(stream_, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr,
                                             nullptr) == 0;
    }
    if (!started)
        closeStream();
    connection_.unlock();
    return started;
}

void PulseSoundPlayer::pause()
{
    if (!connection_.loop())
        return;
    connection_.lock();
    if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY) {
        if (pa_operation *operation = pa_stream_cork(stream_, 1, nullptr, nullptr))
            pa_operation_unref(operation);
    } else {
        closeStream();
    }
    connection_.unlock();
}
