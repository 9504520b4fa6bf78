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
    connect(&timer_, &QTimer::timeout, this, &EventLoopStallProbe::turn);
}

void EventLoopStallProbe::start()
{
    longestGapNs_ = 0;
    clock_.start();
    lastTurnNs_ = 0;
    timer_.start();
}

void EventLoopStallProbe::stop()
{
    // A stall still under way when measuring ends counts too.
    turn();
    timer_.stop();
}

void EventLoopStallProbe::turn()
{
    const qint64 now = clock_.nsecsElapsed();
    longestGapNs_ = std::max(longestGapNs_, now - lastTurnNs_);
    lastTurnNs_ = now;
}

std::chrono::milliseconds EventLoopStallProbe::longestStall() const
{
    const qint64 stallNs = std::max<qint64>(longestGapNs_ - qint64(kIntervalMs) * 1000000, 0);
    return std::chrono::milliseconds(stallNs / 1000000);
}
