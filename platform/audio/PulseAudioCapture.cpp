#include "PulseAudioCapture.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstring>

namespace {

// Short fragments keep the blocks flowing: with the server's default a
// one-second read takes several seconds to arrive.
constexpr std::uint32_t kFragmentMilliseconds = 20;
// Audio kept while no block is queued (the window stalled); older audio is dropped beyond it.
constexpr std::uint32_t kPendingSeconds = 10;

} // namespace

PulseAudioCapture::PulseAudioCapture()
    : receiver_(std::make_unique<QObject>()), connection_("NUVRecord")
{
}

PulseAudioCapture::~PulseAudioCapture() { teardown(); }

bool PulseAudioCapture::open(const AudioFormat &format, CaptureListener &listener)
{
    if (stream_) {
        connection_.lock();
        const bool running = !closedPosted_;
        connection_.unlock();
        if (running)
            return false; // one capture at a time, as a sound card's input
    }
    teardown();
    if (format.bitsPerSample != 16 && format.bitsPerSample != 8)
        return false;
    listener_ = &listener;
    closedPosted_ = false;
    running_ = false;
    pendingLimit_ = std::size_t(format.sampleRate) * format.channels * (format.bitsPerSample / 8) *
                    kPendingSeconds;
    if (!connection_.ensureReady())
        return false;
    connection_.lock();
    const bool ready = connectStream(format);
    connection_.unlock();
    if (!ready)
        teardown();
    return ready;
}

bool PulseAudioCapture::connectStream(const AudioFormat &format)
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
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
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
    }
    connection_.unlock();
}

void PulseAudioCapture::start()
{
    if (!stream_)
        return;
    connection_.lock();
    running_ = true;
    if (pa_operation *operation = pa_stream_cork(stream_, 0, nullptr, nullptr))
        pa_operation_unref(operation);
    connection_.unlock();
}

void PulseAudioCapture::reset()
{
    if (!stream_)
        return;
    connection_.lock();
    if (running_) {
        readStream();
        running_ = false;
        if (pa_operation *operation = pa_stream_cork(stream_, 1, nullptr, nullptr))
            pa_operation_unref(operation);
    }
    fillQueued();
    handBackAll();
    pending_.clear();
    connection_.unlock();
}

void PulseAudioCapture::close()
{
    if (!stream_)
        return;
    connection_.lock();
    const bool alreadyPosted = closedPosted_;
    connection_.unlock();
    teardown();
    if (!alreadyPosted)
        postClosed();
}

void PulseAudioCapture::abandon()
{
    teardown();
    ++session_;
}

void PulseAudioCapture::teardown()
{
    if (stream_) {
        connection_.lock();
        PulseConnection::dropStream(stream_);
        connection_.unlock();
    }
    running_ = false;
    queued_.clear();
    pending_.clear();
}

void PulseAudioCapture::onStreamState(pa_stream *stream, void *self)
{
    auto *capture = static_cast<PulseAudioCapture *>(self);
    capture->connection_.signal();
    // The server went away or the source vanished mid-take: end the capture
    // the way a stop does, so the take so far is kept.
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && capture->running_) {
        capture->running_ = false;
        capture->fillQueued();
        capture->handBackAll();
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
        if (running_) {
            if (data) {
                const auto *begin = static_cast<const std::uint8_t *>(data);
                pending_.insert(pending_.end(), begin, begin + bytes);
            } else {
                pending_.resize(pending_.size() + bytes, 0); // a hole in the stream is silence
            }
        }
        pa_stream_drop(stream_);
    }
    if (pending_.size() > pendingLimit_)
        pending_.erase(pending_.begin(),
                       pending_.begin() + std::ptrdiff_t(pending_.size() - pendingLimit_));
    fillQueued();
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
    const unsigned session = session_;
    QMetaObject::invokeMethod(
        receiver_.get(),
        [this, listener, returned, session] {
            if (session == session_)
                listener->OnCaptureBuffer(*returned);
        },
        Qt::QueuedConnection);
}

void PulseAudioCapture::handBackAll()
{
    while (!queued_.empty()) {
        CaptureBlock &block = *queued_.front();
        queued_.pop_front();
        handBack(block);
    }
}

void PulseAudioCapture::postClosed()
{
    closedPosted_ = true;
    CaptureListener *listener = listener_;
    const unsigned session = session_;
    QMetaObject::invokeMethod(
        receiver_.get(),
        [this, listener, session] {
            if (session == session_)
                listener->OnCaptureClosed();
        },
        Qt::QueuedConnection);
}
