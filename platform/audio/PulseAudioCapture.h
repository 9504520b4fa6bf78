#pragma once

#include "AudioCapture.h"
#include "PulseConnection.h"

#include <QObject>

#include <atomic>

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

struct pa_stream;

// Capture from the sound server's default source through the PulseAudio client
// API (PipeWire answers it too). The server's thread fills the queued blocks;
// every filled block and the close notice are posted to the thread that
// created this object, in order.
class PulseAudioCapture : public AudioCapture {
public:
    PulseAudioCapture();
    ~PulseAudioCapture() override;
    PulseAudioCapture(const PulseAudioCapture &) = delete;
    PulseAudioCapture &operator=(const PulseAudioCapture &) = delete;

    bool open(const AudioFormat &format, CaptureListener &listener) override;
    void addBuffer(CaptureBlock &block) override;
    void start() override;
    void reset() override;
    void close() override;
    void abandon() override;

private:
    static void onStreamState(pa_stream *stream, void *self);
    static void onStreamRead(pa_stream *stream, std::size_t bytes, void *self);

    bool connectStream(const AudioFormat &format);
    void teardown();
    // The following run with the main loop's lock held.
    void readStream();
    void fillQueued();
    void handBack(CaptureBlock &block);
    void handBackAll();
    void postClosed();

    std::unique_ptr<QObject> receiver_;
    PulseConnection connection_;
    pa_stream *stream_ = nullptr;
    CaptureListener *listener_ = nullptr;
    std::deque<CaptureBlock *> queued_;
    std::vector<std::uint8_t> pending_;
    std::size_t pendingLimit_ = 0;
    bool running_ = false;
    bool closedPosted_ = false;
    // Notifications carry the session they belong to; abandon() starts a new one.
    std::atomic<unsigned> session_ = 0;
};
