// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct pa_threaded_mainloop;
struct pa_context;
struct pa_operation;
struct pa_stream;

// A PulseAudio client connection on the library's own thread. Callers take the
// loop's lock around every use of the context and its streams; callbacks run
// on the loop's thread with that lock held. A connection that broke (server
// restarted) is made anew by the next ensureReady.
class PulseConnection {
public:
    explicit PulseConnection(const char *clientName);
    ~PulseConnection();
    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

    // Connects if needed; false when no server answers. Call without the lock.
    bool ensureReady();

    pa_threaded_mainloop *loop() const { return loop_; }
    pa_context *context() const { return context_; }
    void lock();
    void unlock();
    // Waits, with the lock held, until the operation is done or the connection breaks.
    void await(pa_operation *operation);
    // Wakes a thread waiting in await or waitForSignal; for callbacks.
    void signal();
    // Silences, disconnects and releases a stream, with the lock held; stream becomes null.
    static void dropStream(pa_stream *&stream);

private:
    void disconnect();
    static void onContextState(pa_context *context, void *self);

    const char *clientName_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
};
