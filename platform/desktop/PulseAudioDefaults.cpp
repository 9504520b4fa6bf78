// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseAudioDefaults.h"

#include <pulse/pulseaudio.h>

#include <optional>
#include <string>

namespace {

// One blocking conversation with the sound server on a private main loop,
// bounded in time so a hung server cannot hold the panel.
class PulseSession {
public:
    explicit PulseSession(std::chrono::milliseconds timeout)
        : deadline_(std::chrono::steady_clock::now() + timeout)
    {
        loop_ = pa_mainloop_new();
        if (!loop_)
            return;
        context_ = pa_context_new(pa_mainloop_get_api(loop_), "Orlenta");
        if (!context_)
            return;
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return;
        ready_ = runUntil([this] {
                     const pa_context_state_t state = pa_context_get_state(context_);
                     return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
                 }) &&
                 pa_context_get_state(context_) == PA_CONTEXT_READY;
    }

    ~PulseSession()
    {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_)
            pa_mainloop_free(loop_);
    }

    bool ready() const { return ready_; }
    pa_context *context() const { return context_; }

    // Runs the loop until the operation is done; false on timeout.
    bool finish(pa_operation *operation)
    {
        if (!operation)
            return false;
        const bool done = runUntil(
            [operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
        if (!done)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return done;
    }

private:
    // Polls in 10 ms steps so the deadline is checked even when the server
    // says nothing.
    template <typename Done> bool runUntil(Done done)
    {
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline_)
                return false;
            if (pa_mainloop_prepare(loop_, 10000) < 0 || pa_mainloop_poll(loop_) < 0 ||
                pa_mainloop_dispatch(loop_) < 0)
                return false;
        }
        return true;
    }

    std::chrono::steady_clock::time_point deadline_;
    pa_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    bool ready_ = false;
};

struct Search {
    std::string match;
    std::optional<std::string> name;
};

void considerSink(pa_context *, const pa_sink_info *info, int eol, void *userdata)
{
    auto *search = static_cast<Search *>(userdata);
    if (eol || !info || search->name || !info->description)
        return;
    if (std::string(info->description).find(search->match) != std::string::npos)
        search->name = info->name;
}

void considerSource(pa_context *, const pa_source_info *info, int eol, void *userdata)
{
    auto *search = static_cast<Search *>(userdata);
    if (eol || !info || search->name || !info->description)
        return;
    if (info->monitor_of_sink != PA_INVALID_INDEX)
        return;
    if (std::string(info->description).find(search->match) != std::string::npos)
        search->name = info->name;
}

void noteSuccess(pa_context *, int success, void *userdata)
{
    *static_cast<bool *>(userdata) = success != 0;
}

bool setDefault(PulseSession &session, const std::optional<std::string> &name, bool sink)
{
    if (!name)
        return false;
    bool succeeded = false;
    pa_operation *operation = sink ? pa_context_set_default_sink(session.context(), name->c_str(),
                                                                 noteSuccess, &succeeded)
                                   : pa_context_set_default_source(session.context(), name->c_str(),
                                                                   noteSuccess, &succeeded);
    return session.finish(operation) && succeeded;
}

} // namespace

bool PulseAudioDefaults::makeDefault(const std::string &match)
{
    PulseSession session(timeout_);
    if (!session.ready())
        return false;
    Search sink{match, std::nullopt};
    session.finish(pa_context_get_sink_info_list(session.context(), considerSink, &sink));
    Search source{match, std::nullopt};
    session.finish(pa_context_get_source_info_list(session.context(), considerSource, &source));
    const bool sinkSet = setDefault(session, sink.name, true);
    const bool sourceSet = setDefault(session, source.name, false);
    return sinkSet || sourceSet;
}
