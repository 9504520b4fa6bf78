// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulsePlayer.h"

#include "FileInUseLock.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {
std::optional<WaveHeader> infoOf(const std::string &file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<WaveHeader> info = WaveHeader::read(fd);
    ::close(fd);
    return info;
}
} // namespace

PulsePlayer::PulsePlayer() : connection_("Orlenta recorder playback") {}

PulsePlayer::~PulsePlayer()
{
    closeFile();
}

unsigned PulsePlayer::length(const std::string &file)
{
    if (fd_ >= 0 && file == openName_)
        return info_.lengthMs();
    const std::optional<WaveHeader> info = infoOf(file);
    return info ? info->lengthMs() : 0;
}

std::string PulsePlayer::mode(const std::string &file)
{
    if (fd_ >= 0 && file == openName_ && connection_.loop()) {
        connection_.lock();
        // The range is over once its end has been heard, even while the sink
        // still holds some silence behind it.
        if (playing_ && streamPositionLocked() >= toMs_)
            playedOut_ = true;
        const bool playing = playing_ && !playedOut_, playedOut = playedOut_;
        connection_.unlock();
        if (playing)
            return "playing";
        // A range that played to its end releases the file by itself.
        if (playedOut)
            closeFile();
    }
    return "stopped";
}

unsigned PulsePlayer::streamPositionLocked()
{
    pa_usec_t played = 0;
    if (stream_ && pa_stream_get_time(stream_, &played) < 0)
        played = 0;
    return std::min<unsigned>(toMs_, fromMs_ + unsigned(played / 1000));
}

unsigned PulsePlayer::position(const std::string &file)
{
    if (fd_ < 0 || file != openName_ || !connection_.loop())
        return 0;
    connection_.lock();
    const unsigned at = playing_ ? streamPositionLocked() : stoppedAtMs_;
    connection_.unlock();
    return at;
}

bool PulsePlayer::openFile(const std::string &file)
{
    if (fd_ >= 0 && file == openName_)
        return true;
    closeFile();
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::optional<WaveHeader> info = WaveHeader::read(fd);
    // The take is in use while it plays: the recorder may not delete or
    // rewrite the buffer file meanwhile.
    if (!info || !FileInUseLock::markOpen(fd)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    info_ = *info;
    openName_ = file;
    return true;
}

void PulsePlayer::closeFile()
{
    if (connection_.loop()) {
        connection_.lock();
        dropStream();
        connection_.unlock();
    }
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
    fd_ = -1;
    openName_.clear();
}

void PulsePlayer::dropStream()
{
    if (playing_)
        stoppedAtMs_ = streamPositionLocked();
    playing_ = false;
    playedOut_ = false;
    PulseConnection::dropStream(stream_);
}

void PulsePlayer::feed(std::size_t bytes)
{
    while (bytes > 0 && nextByte_ < endByte_) {
        const std::size_t count = std::min<std::uint64_t>({bytes, endByte_ - nextByte_, 65536});
        chunk_.resize(count);
        const ssize_t got = pread(fd_, chunk_.data(), count, off_t(info_.dataOffset + nextByte_));
        if (got <= 0) {
            endByte_ = nextByte_; // the file shrank under us: play what was there
            break;
        }
        const std::size_t whole = std::size_t(got) - std::size_t(got) % info_.format.frameBytes();
        if (whole == 0 ||
            pa_stream_write(stream_, chunk_.data(), whole, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            endByte_ = nextByte_;
            break;
        }
        nextByte_ += whole;
        bytes -= std::min(bytes, whole);
    }
    if (nextByte_ >= endByte_) {
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        if (pa_operation *operation = pa_stream_drain(stream_, onDrained, this))
            pa_operation_unref(operation);
    }
}

void PulsePlayer::onWritable(pa_stream *, std::size_t bytes, void *self)
{
    static_cast<PulsePlayer *>(self)->feed(bytes);
}

void PulsePlayer::onStreamState(pa_stream *stream, void *self)
{
    auto *player = static_cast<PulsePlayer *>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && stream == player->stream_)
        player->playing_ = false; // the server went away: the take is no longer playing
    player->connection_.signal();
}

void PulsePlayer::onDrained(pa_stream *stream, int, void *self)
{
    auto *player = static_cast<PulsePlayer *>(self);
    if (stream != player->stream_)
        return;
    // Played out: like a device opened by the play command, the stream goes
    // away by itself; the file stays open until closed.
    player->playing_ = false;
    player->playedOut_ = true;
    player->stoppedAtMs_ = player->toMs_;
}

bool PulsePlayer::startStream(unsigned fromMs, unsigned toMs)
{
    const pa_sample_format_t format =
        info_.format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    const pa_sample_spec spec{format, info_.format.sampleRate, std::uint8_t(info_.format.channels)};
    connection_.lock();
    stream_ = pa_stream_new(connection_.context(), "take", &spec, nullptr);
    if (!stream_) {
        connection_.unlock();
        return false;
    }
    fromMs_ = fromMs;
    toMs_ = toMs;
    nextByte_ = info_.byteAt(fromMs);
    endByte_ = info_.byteAt(toMs);
    stoppedAtMs_ = fromMs;
    // About 100 ms queued: position and stop follow the user closely.
    pa_buffer_attr attributes{};
    attributes.maxlength = std::uint32_t(-1);
    attributes.tlength = std::uint32_t(pa_usec_to_bytes(100 * PA_USEC_PER_MSEC, &spec));
    attributes.prebuf = std::uint32_t(-1);
    attributes.minreq = std::uint32_t(-1);
    attributes.fragsize = std::uint32_t(-1);
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_write_callback(stream_, onWritable, this);
    const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING |
                                         PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    bool started =
        pa_stream_connect_playback(stream_, nullptr, &attributes, flags, nullptr, nullptr) == 0;
    pa_stream_state_t state;
    while (started && (state = pa_stream_get_state(stream_)) != PA_STREAM_READY) {
        if (!PA_STREAM_IS_GOOD(state)) {
            started = false;
            break;
        }
        pa_threaded_mainloop_wait(connection_.loop());
    }
    if (started)
        playing_ = true;
    else
        dropStream();
    connection_.unlock();
    return started;
}

bool PulsePlayer::play(const std::string &file, unsigned fromMs, unsigned toMs)
{
    if (!openFile(file))
        return false;
    if (connection_.loop()) {
        connection_.lock();
        dropStream();
        connection_.unlock();
    }
    toMs = std::min(toMs, info_.lengthMs());
    if (fromMs >= toMs) {
        closeFile(); // nothing to play: at its end at once
        return true;
    }
    return connection_.ensureReady() && startStream(fromMs, toMs);
}

void PulsePlayer::stop(const std::string &file)
{
    if (fd_ < 0 || file != openName_ || !connection_.loop())
        return;
    connection_.lock();
    dropStream();
    connection_.unlock();
}

void PulsePlayer::close(const std::string &file)
{
    if (file == openName_)
        closeFile();
}
