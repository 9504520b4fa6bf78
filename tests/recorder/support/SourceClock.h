// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

#include <cstdint>

// How much audio a sound server's source has really delivered, measured by a
// second low-latency recorder of the same source (parec). A server whose graph
// runs on a timer rather than a card's clock (PipeWire's null sink) falls
// behind the wall clock while the machine is busy: there the source's own
// count, not the wall clock, says how long a take ought to be.
class SourceClock {
public:
    explicit SourceClock(const QString &source);
    ~SourceClock();
    SourceClock(const SourceClock &) = delete;
    SourceClock &operator=(const SourceClock &) = delete;

    bool started() const { return started_; }
    // Seconds of 44.1 kHz stereo audio delivered so far, to within one 20 ms fragment.
    double seconds();

private:
    QProcess recorder_;
    std::uint64_t bytes_ = 0;
    bool started_ = false;
};
