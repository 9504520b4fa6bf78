// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>
#include <QString>

#include <cstddef>
#include <deque>

// Debug lines of a trace that may come round and round: a card that never
// answers is asked again and again, one that answers wrongly answers wrongly
// every time. Once the last few lines (a cycle of up to four) have come twice
// in a row, further lines that go on repeating them are counted instead of
// written; the count is written when the cycle comes round the 10th, 100th,
// 1000th ... time and when something else breaks it (or the trace ends), so
// the lines and counts still tell exactly what was sent and received, and
// the log grows by one line per tenfold repetition.
class RepeatingTrace {
public:
    static constexpr std::size_t kLongestCycle = 4;

    explicit RepeatingTrace(const QLoggingCategory &category) : category_(category) {}
    ~RepeatingTrace() { flush(); }
    RepeatingTrace(const RepeatingTrace &) = delete;
    RepeatingTrace &operator=(const RepeatingTrace &) = delete;

    bool enabled() const { return category_.isDebugEnabled(); }
    void write(const QString &line);
    // Writes the count of a repetition under way; the next line is written.
    void flush();

private:
    bool continuesCycle(const QString &line) const;
    std::size_t cycleJustRepeated() const;
    void remember(const QString &line);

    const QLoggingCategory &category_;
    std::deque<QString> recent_;
    std::size_t period_ = 0;   // lines in the repeating cycle; 0: none repeats
    std::size_t repeated_ = 0; // lines counted since the cycle was found
};
