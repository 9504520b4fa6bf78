// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Measures how long the thread it lives on stops turning its event loop: a
// timer due every millisecond; the longest gap between two of its turns, less
// the interval, is the longest stall. Nested event loops turn it too, so only
// real blocking counts.
class EventLoopStallProbe : public QObject {
public:
    explicit EventLoopStallProbe(QObject *parent = nullptr);
    void start();
    void stop();
    std::chrono::milliseconds longestStall() const;

private:
    void turn();

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastTurnNs_ = 0;
    qint64 longestNs_ = 0;
};
