// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseConnection.h"

#include <pulse/pulseaudio.h>

PulseConnection::PulseConnection(const char *clientName) : clientName_(clientName) {}

PulseConnection::~PulseConnection()
{
    disconnect();
}

void PulseConnection::onContextState(pa_context *, void *self)
{
    static_cast<PulseConnection *>(self)->signal();
}

void PulseConnection::lock()
{
    pa_threaded_mainloop_lock(loop_);
}
void PulseConnection::unlock()
{
    pa_threaded_mainloop_unlock(loop_);
}
void PulseConnection::signal()
{
    pa_threaded_mainloop_signal(loop_, 0);
}

bool PulseConnection::ensureReady()
{
    if (context_) {
        lock();
        const bool ready = pa_context_get_state(context_) == PA_CONTEXT_READY;
        unlock();
        if (ready)
            return true;
        disconnect();
    }
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
        return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName_);
    if (!context_ || pa_threaded_mainloop_start(loop_) < 0) {
        disconnect();
        return false;
    }
    lock();
    pa_context_set_state_callback(context_, onContextState, this);
    pa_context_state_t state = PA_CONTEXT_FAILED;
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        while ((state = pa_context_get_state(context_)) != PA_CONTEXT_READY &&
               PA_CONTEXT_IS_GOOD(state))
            pa_threaded_mainloop_wait(loop_);
    }
    unlock();
    if (state != PA_CONTEXT_READY) {
        disconnect();
        return false;
    }
    return true;
}

void PulseConnection::await(pa_operation *operation)
{
    if (!operation)
        return;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
        pa_threaded_mainloop_wait(loop_);
    pa_operation_unref(operation);
}

void PulseConnection::disconnect()
{
    if (loop_ && context_) {
        lock();
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        unlock();
    }
    if (loop_)
        pa_threaded_mainloop_stop(loop_);
    if (context_)
        pa_context_unref(context_);
    if (loop_)
        pa_threaded_mainloop_free(loop_);
    context_ = nullptr;
    loop_ = nullptr;
}

void PulseConnection::dropStream(pa_stream *&stream)
{
    if (!stream)
        return;
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}
