// SPDX-License-Identifier: GPL-3.0-or-later
#include "RepeatingTrace.h"

namespace {

// 10, 100, 1000 ...
bool isRoundCount(std::size_t n)
{
    if (n < 10)
        return false;
    while (n % 10 == 0)
        n /= 10;
    return n == 1;
}

} // namespace

void RepeatingTrace::write(const QString &line)
{
    if (!enabled())
        return;
    if (period_ > 0 && continuesCycle(line)) {
        remember(line);
        ++repeated_;
        if (repeated_ % period_ == 0 && isRoundCount(repeated_ / period_))
            qCDebug(category_).noquote()
                << QStringLiteral("(the last %1 line(s) came round %2 more times so far)")
                       .arg(period_)
                       .arg(repeated_ / period_);
        return;
    }
    flush();
    qCDebug(category_).noquote() << line;
    remember(line);
    period_ = cycleJustRepeated();
}

void RepeatingTrace::flush()
{
    if (period_ > 0 && repeated_ > 0)
        qCDebug(category_).noquote()
            << QStringLiteral("(%1 more line(s) repeating the cycle of the last %2)")
                   .arg(repeated_)
                   .arg(period_);
    period_ = 0;
    repeated_ = 0;
}

bool RepeatingTrace::continuesCycle(const QString &line) const
{
    return recent_.size() >= period_ && recent_[recent_.size() - period_] == line;
}

// The shortest cycle whose last two rounds are the last lines written.
std::size_t RepeatingTrace::cycleJustRepeated() const
{
    for (std::size_t period = 1; period <= kLongestCycle; ++period) {
        if (recent_.size() < 2 * period)
            break;
        const std::size_t end = recent_.size();
        bool same = true;
        for (std::size_t i = 0; i < period && same; ++i)
            same = recent_[end - 1 - i] == recent_[end - 1 - period - i];
        if (same)
            return period;
    }
    return 0;
}

void RepeatingTrace::remember(const QString &line)
{
    recent_.push_back(line);
    if (recent_.size() > 2 * kLongestCycle)
        recent_.pop_front();
}
