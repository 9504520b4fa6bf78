// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseAudioCapture.h"

#include "LogCategories.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace {

// Short fragments keep the blocks flowing: with the server's default a
// one-second read takes several seconds to arrive.
constexpr std::uint32_t kFragmentMilliseconds = 20;
// Audio kept while no block is queued (the window stalled); older audio is dropped beyond it.
constexpr std::uint32_t kPendingSeconds = 10;
// How long a stop waits, beyond the latency the server reported, for the
// audio it still held; a server that sends nothing more ends the take there.
constexpr pa_usec_t kDrainGraceUsec = 250 * PA_USEC_PER_MSEC;
// A level goes to the listener for every stretch this long.
constexpr std::uint32_t kLevelsPerSecond = 20;

} // namespace

PulseAudioCapture::PulseAudioCapture()
    : receiver_(std::make_unique<QObject>()), connection_("NUVRecord")
{
}

PulseAudioCapture::~PulseAudioCapture()
{
    teardown();
}

bool PulseAudioCapture::open(const PcmFormat &format, CaptureListener &listener)
{
    if (stream_) {
        connection_.lock();
        const bool running = !closedPosted_;
        connection_.unlock();
        if (running)
            return false; // one capture at a time, as a sound card's input
    }
    teardown();
    // What the last capture still had on its way belongs to a take that is over.
    ++session_;
    if (format.bitsPerSample != 16 && format.bitsPerSample != 8)
        return false;
    listener_ = &listener;
    closedPosted_ = false;
    closeRequested_ = false;
    running_ = false;
    draining_ = false;
    taken_ = stopAt_ = heardBefore_ = 0;
    format_ = format;
    level_ = {};
    levelBytes_ = 0;
    arrivedBytes_ = 0;
    levelStep_ = std::max<std::size_t>(format.bytesPerSecond() / kLevelsPerSecond, 1);
    pendingLimit_ = std::size_t(format.bytesPerSecond()) * kPendingSeconds;
    if (!connection_.ensureReady())
        return false;
    connection_.lock();
    const bool ready = connectStream(format);
    const char *source = ready ? pa_stream_get_device_name(stream_) : nullptr;
    qCDebug(lcAudio) << "capture stream" << (ready ? "opened on" : "could not open")
                     << (source ? source : "");
    connection_.unlock();
    if (!ready)
        teardown();
    return ready;
}

bool PulseAudioCapture::connectStream(const PcmFormat &format)
{
    pa_sample_spec spec;
    spec.format = format.bitsPerSample == 16 ? PA_SAMPLE_S16LE : PA_SAMPLE_U8;
    spec.rate = format.sampleRate;
    spec.channels = static_cast<std::uint8_t>(format.channels);
    if (!pa_sample_spec_valid(&spec))
        return false;
    stream_ = pa_stream_new(connection_.context(), "Recording", &spec, nullptr);
    if (!stream_)
        return false;
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_read_callback(stream_, onStreamRead, this);
    pa_buffer_attr attr;
    std::memset(&attr, 0xff, sizeof attr);
    attr.fragsize =
        static_cast<std::uint32_t>(pa_usec_to_bytes(kFragmentMilliseconds * 1000, &spec));
    // Never moved: a take that silently went on recording another source
    // (a monitor, the laptop's microphone) would be worse than one that ends.
    // The timing updates tell a start and a stop how much the source still
    // holds. Not corked: a running stream keeps the source awake, so a take
    // begins the moment Record is pressed, not once the source has woken.
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE |
                                       PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
    if (pa_stream_connect_record(stream_, nullptr, &attr, flags) < 0)
        return false;
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        if (state == PA_STREAM_READY)
            return true;
        if (!PA_STREAM_IS_GOOD(state))
            return false;
        pa_threaded_mainloop_wait(connection_.loop());
    }
}

void PulseAudioCapture::addBuffer(CaptureBlock &block)
{
    if (!stream_)
        return;
    connection_.lock();
    if (!closedPosted_) {
        block.recorded = 0;
        queued_.push_back(&block);
        fillQueued();
        if (draining_ && drained())
            finishDrain();
    }
    connection_.unlock();
}

void PulseAudioCapture::start()
{
    if (!stream_)
        return;
    connection_.lock();
    // What has arrived so far, and what the source still holds, was heard
    // before this moment. A source still waking has sent nothing yet: its
    // latency then is no measure of anything, and all it sends is new.
    readStream();
    heardBefore_ = arrivedBytes_ > 0 ? heldBytes() : 0;
    running_ = true;
    connection_.unlock();
}

void PulseAudioCapture::reset()
{
    if (!stream_)
        return;
    connection_.lock();
    if (running_ && !draining_) {
        readStream();
        startDrain();
    } else if (!draining_) {
        fillQueued();
        handBackAll();
        pending_.clear();
    }
    connection_.unlock();
}

void PulseAudioCapture::stopAtOnce()
{
    if (!stream_)
        return;
    connection_.lock();
    if (running_) {
        readStream();
        stopAt_ = taken_;
        draining_ = true;
        // What has arrived reaches the listener as fast as it queues the
        // blocks again; the timer only ends a listener that stopped queueing.
        stopTimer();
        drainTimer_ = pa_context_rttime_new(
            connection_.context(), pa_rtclock_now() + kDrainGraceUsec, onDrainTimeout, this);
        if (drained())
            finishDrain();
    } else {
        fillQueued();
        handBackAll();
        pending_.clear();
    }
    connection_.unlock();
}

std::uint64_t PulseAudioCapture::heldBytes() const
{
    // The stream's latency: what the source has heard but not sent yet.
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_, &latency, &negative) < 0 || negative)
        latency = 0;
    const std::uint64_t held = pa_usec_to_bytes(latency, pa_stream_get_sample_spec(stream_));
    return held - held % std::max<std::uint16_t>(format_.frameBytes(), 1);
}

void PulseAudioCapture::startDrain()
{
    // What the source has heard but not sent yet belongs to the take.
    const std::uint64_t held = heldBytes();
    stopAt_ = taken_ + held;
    draining_ = true;
    if (drained()) {
        finishDrain();
        return;
    }
    const pa_usec_t latency = pa_bytes_to_usec(held, pa_stream_get_sample_spec(stream_));
    drainTimer_ = pa_context_rttime_new(
        connection_.context(), pa_rtclock_now() + latency + kDrainGraceUsec, onDrainTimeout, this);
}

bool PulseAudioCapture::drained() const
{
    return taken_ >= stopAt_ && pending_.empty();
}

void PulseAudioCapture::finishDrain()
{
    stopTimer();
    draining_ = false;
    running_ = false;
    fillQueued();
    handBackAll();
    pending_.clear();
    if (closeRequested_)
        postClosed();
}

void PulseAudioCapture::onDrainTimeout(pa_mainloop_api *api, pa_time_event *event, const timeval *,
                                       void *self)
{
    auto *capture = static_cast<PulseAudioCapture *>(self);
    api->time_free(event);
    capture->drainTimer_ = nullptr;
    if (capture->draining_)
        capture->finishDrain();
}

void PulseAudioCapture::stopTimer()
{
    if (drainTimer_)
        pa_threaded_mainloop_get_api(connection_.loop())->time_free(drainTimer_);
    drainTimer_ = nullptr;
}

void PulseAudioCapture::close()
{
    if (!stream_)
        return;
    connection_.lock();
    closeRequested_ = true;
    // A stop still taking what the source held closes once it has; a lost
    // device has said it closed already.
    if (!draining_ && !closedPosted_) {
        running_ = false;
        queued_.clear();
        pending_.clear();
        postClosed();
    }
    connection_.unlock();
}

void PulseAudioCapture::deliverUntilClosed()
{
    if (!connection_.loop())
        return;
    std::uint64_t delivered = ~std::uint64_t(0);
    for (;;) {
        connection_.lock();
        if (!closeRequested_ && !closedPosted_) {
            connection_.unlock();
            return; // nothing will close
        }
        if (!closedPosted_ && posted_ == delivered)
            pa_threaded_mainloop_wait(connection_.loop());
        const bool closed = closedPosted_;
        delivered = posted_;
        connection_.unlock();
        QCoreApplication::sendPostedEvents(receiver_.get(), QEvent::MetaCall);
        if (closed)
            return;
    }
}

void PulseAudioCapture::abandon()
{
    teardown();
    ++session_;
}

void PulseAudioCapture::teardown()
{
    if (!stream_)
        return;
    connection_.lock();
    stopTimer();
    PulseConnection::dropStream(stream_);
    qCDebug(lcAudio) << "capture stream closed";
    running_ = false;
    draining_ = false;
    queued_.clear();
    pending_.clear();
    connection_.unlock();
}

void PulseAudioCapture::onStreamState(pa_stream *stream, void *self)
{
    auto *capture = static_cast<PulseAudioCapture *>(self);
    capture->connection_.signal();
    // The source went away (the stream may not move), or the server did:
    // end the capture the way a stop does, so the take so far is kept.
    const bool failed = !PA_STREAM_IS_GOOD(pa_stream_get_state(stream));
    if (failed && stream == capture->stream_ && !capture->closedPosted_) {
        qCWarning(lcAudio) << "the capture stream's source or server went away";
        capture->stopTimer();
        capture->running_ = false;
        capture->draining_ = false;
        capture->fillQueued();
        capture->handBackAll();
        capture->pending_.clear();
        capture->postLost();
        capture->postClosed();
    }
}

void PulseAudioCapture::onStreamRead(pa_stream *, std::size_t, void *self)
{
    static_cast<PulseAudioCapture *>(self)->readStream();
}

void PulseAudioCapture::readStream()
{
    while (pa_stream_readable_size(stream_) > 0) {
        const void *data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0)
            break;
        measure(static_cast<const std::uint8_t *>(data), bytes);
        if (running_)
            take(static_cast<const std::uint8_t *>(data), bytes);
        pa_stream_drop(stream_);
    }
    if (pending_.size() > pendingLimit_)
        pending_.erase(pending_.begin(),
                       pending_.begin() + std::ptrdiff_t(pending_.size() - pendingLimit_));
    fillQueued();
    if (draining_ && drained())
        finishDrain();
}

void PulseAudioCapture::measure(const std::uint8_t *data, std::size_t bytes)
{
    if (data)
        level_.merge(CaptureLevel::measure(data, bytes, format_));
    arrivedBytes_ += bytes;
    levelBytes_ += bytes;
    if (levelBytes_ < levelStep_)
        return;
    postLevel(level_);
    level_ = {};
    levelBytes_ = 0;
}

void PulseAudioCapture::take(const std::uint8_t *data, std::size_t bytes)
{
    const auto before = std::size_t(std::min<std::uint64_t>(heardBefore_, bytes));
    heardBefore_ -= before;
    bytes -= before;
    if (data)
        data += before;
    // After a stop, only what the source held at that moment.
    if (draining_)
        bytes = std::size_t(std::min<std::uint64_t>(bytes, stopAt_ - std::min(stopAt_, taken_)));
    if (data)
        pending_.insert(pending_.end(), data, data + bytes);
    else
        pending_.resize(pending_.size() + bytes, 0); // a hole in the stream is silence
    taken_ += bytes;
}

void PulseAudioCapture::fillQueued()
{
    std::size_t taken = 0;
    while (!queued_.empty() && taken < pending_.size()) {
        CaptureBlock &block = *queued_.front();
        const std::size_t n =
            std::min<std::size_t>(block.length - block.recorded, pending_.size() - taken);
        std::memcpy(block.data + block.recorded, pending_.data() + taken, n);
        block.recorded += static_cast<std::uint32_t>(n);
        taken += n;
        if (block.recorded == block.length) {
            queued_.pop_front();
            handBack(block);
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(taken));
}

void PulseAudioCapture::handBack(CaptureBlock &block)
{
    CaptureListener *listener = listener_;
    CaptureBlock *returned = &block;
    post([listener, returned] { listener->OnCaptureBuffer(*returned); });
}

void PulseAudioCapture::handBackAll()
{
    while (!queued_.empty()) {
        CaptureBlock &block = *queued_.front();
        queued_.pop_front();
        handBack(block);
    }
}

void PulseAudioCapture::postLevel(const CaptureLevel &level)
{
    CaptureListener *listener = listener_;
    post([listener, level] { listener->OnCaptureLevel(level); });
}

void PulseAudioCapture::postLost()
{
    CaptureListener *listener = listener_;
    post([listener] { listener->OnCaptureDeviceLost(); });
}

void PulseAudioCapture::postClosed()
{
    closedPosted_ = true;
    CaptureListener *listener = listener_;
    // The stream goes on the listener's thread, where it was made.
    post([this, listener] {
        teardown();
        listener->OnCaptureClosed();
    });
}

void PulseAudioCapture::post(std::function<void()> notification)
{
    const unsigned session = session_;
    QMetaObject::invokeMethod(
        receiver_.get(),
        [this, session, notification = std::move(notification)] {
            if (session == session_)
                notification();
        },
        Qt::QueuedConnection);
    ++posted_;
    connection_.signal();
}
