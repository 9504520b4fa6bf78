// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventLoopStallProbe.h"

#include <algorithm>

namespace {
constexpr int kIntervalMs = 1;
}

EventLoopStallProbe::EventLoopStallProbe(QObject *parent) : QObject(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { turn(); });
}

void EventLoopStallProbe::start()
{
    longestNs_ = 0;
    clock_.start();
    lastTurnNs_ = 0;
    timer_.start();
}

void EventLoopStallProbe::stop()
{
    turn();
    timer_.stop();
}

void EventLoopStallProbe::turn()
{
    const qint64 now = clock_.nsecsElapsed();
    longestNs_ = std::max(longestNs_, now - lastTurnNs_ - kIntervalMs * 1000000LL);
    lastTurnNs_ = now;
}

std::chrono::milliseconds EventLoopStallProbe::longestStall() const
{
    return std::chrono::milliseconds(std::max<qint64>(0, longestNs_ / 1000000));
}
