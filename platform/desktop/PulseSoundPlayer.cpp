#include "PulseSoundPlayer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

PulseSoundPlayer::~PulseSoundPlayer()
{
    disconnect();
}

void PulseSoundPlayer::onContextState(pa_context *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<PulseSoundPlayer *>(self)->loop_, 0);
}

void PulseSoundPlayer::onStreamState(pa_stream *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<PulseSoundPlayer *>(self)->loop_, 0);
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

bool PulseSoundPlayer::connect()
{
    if (context_)
        return pa_context_get_state(context_) == PA_CONTEXT_READY;
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
        return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Orlenta");
    if (!context_)
        return false;
    pa_context_set_state_callback(context_, onContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    if (pa_threaded_mainloop_start(loop_) < 0)
        return false;
    pa_threaded_mainloop_lock(loop_);
    pa_context_state_t state;
    while ((state = pa_context_get_state(context_)) != PA_CONTEXT_READY &&
           PA_CONTEXT_IS_GOOD(state))
        pa_threaded_mainloop_wait(loop_);
    pa_threaded_mainloop_unlock(loop_);
    return state == PA_CONTEXT_READY;
}

void PulseSoundPlayer::closeStream()
{
    if (!stream_)
        return;
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
}

void PulseSoundPlayer::disconnect()
{
    if (loop_) {
        pa_threaded_mainloop_lock(loop_);
        closeStream();
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
        }
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
    }
    if (context_)
        pa_context_unref(context_);
    if (loop_)
        pa_threaded_mainloop_free(loop_);
    context_ = nullptr;
    loop_ = nullptr;
}

bool PulseSoundPlayer::play(const std::filesystem::path &file)
{
    std::optional<PcmSound> sound = Mp3Decoder::decode(file);
    if (!sound || sound->channels < 1 || sound->channels > static_cast<int>(PA_CHANNELS_MAX))
        return false;
    if (!connect()) {
        disconnect();
        return false;
    }
    pa_threaded_mainloop_lock(loop_);
    closeStream();
    sound_ = std::move(*sound);
    written_ = 0;
    draining_ = false;
    const pa_sample_spec spec{PA_SAMPLE_S16NE, static_cast<uint32_t>(sound_.rate),
                              static_cast<uint8_t>(sound_.channels)};
    stream_ = pa_stream_new(context_, "start-up sound", &spec, nullptr);
    bool started = false;
    if (stream_) {
        pa_stream_set_state_callback(stream_, onStreamState, this);
        pa_stream_set_write_callback(stream_, onWritable, this);
        started = pa_stream_connect_playback(stream_, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr,
                                             nullptr) == 0;
    }
    if (!started)
        closeStream();
    pa_threaded_mainloop_unlock(loop_);
    return started;
}

void PulseSoundPlayer::pause()
{
    if (!loop_)
        return;
    pa_threaded_mainloop_lock(loop_);
    if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY) {
        if (pa_operation *operation = pa_stream_cork(stream_, 1, nullptr, nullptr))
            pa_operation_unref(operation);
    } else {
        closeStream();
    }
    pa_threaded_mainloop_unlock(loop_);
}
