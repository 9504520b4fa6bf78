// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Measures how long the event loop of the thread it lives on goes without
// turning: a 1 ms timer runs while started, and the longest gap between two
// of its turns, less the interval, is the longest stall. Nested loops (modal
// dialogs) turn it too.
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
    qint64 longestGapNs_ = 0;
};
