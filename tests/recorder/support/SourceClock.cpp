// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceClock.h"

namespace {
constexpr double kBytesPerSecond = 44100.0 * 4;
}

SourceClock::SourceClock(const QString &source)
{
    recorder_.start("parec", {"--latency-msec=20", "-d", source, "--raw", "--format=s16le",
                              "--rate=44100", "--channels=2"});
    started_ = recorder_.waitForStarted(5000);
}

SourceClock::~SourceClock()
{
    if (!started_)
        return;
    recorder_.kill();
    recorder_.waitForFinished(5000);
}

double SourceClock::seconds()
{
    // Take what the pipe holds now, not only what the event loop has read.
    while (recorder_.waitForReadyRead(0))
        bytes_ += std::uint64_t(recorder_.readAllStandardOutput().size());
    bytes_ += std::uint64_t(recorder_.readAllStandardOutput().size());
    return bytes_ / kBytesPerSecond;
}
