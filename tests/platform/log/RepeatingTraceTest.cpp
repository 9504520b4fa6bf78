// SPDX-License-Identifier: GPL-3.0-or-later
// A trace that comes round and round grows by a line per tenfold repetition,
// and what it leaves out can be counted back.
#include "RepeatingTrace.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

Q_LOGGING_CATEGORY(lcTest, "orlenta.test", QtWarningMsg)

QStringList written;

void keep(QtMsgType, const QMessageLogContext &, const QString &message)
{
    written << message;
}

class RepeatingTraceTest : public testing::Test {
protected:
    void SetUp() override
    {
        QLoggingCategory::setFilterRules("orlenta.test.debug=true");
        previous = qInstallMessageHandler(keep);
        written.clear();
    }
    void TearDown() override
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules({});
    }

    QtMessageHandler previous = nullptr;
};

TEST_F(RepeatingTraceTest, ExchangesThatDifferAreAllWritten)
{
    const QStringList lines{"write 1", "answer 1", "zero",     "write 2", "answer 2",
                            "zero",    "write 1",  "answer 1", "zero"};
    {
        RepeatingTrace trace(lcTest());
        for (const QString &line : lines)
            trace.write(line);
    }
    EXPECT_EQ(written, lines);
}

TEST_F(RepeatingTraceTest, ACycleComeTwiceIsCountedUntilSomethingElseComes)
{
    RepeatingTrace trace(lcTest());
    for (int round = 0; round < 25; ++round) {
        trace.write("request");
        trace.write("zero");
    }
    trace.write("state report");
    trace.write("request");

    EXPECT_EQ(written, (QStringList{"request", "zero", "request", "zero",
                                    "(the last 2 line(s) came round 10 more times so far)",
                                    "(46 more line(s) repeating the cycle of the last 2)",
                                    "state report", "request"}));
}

} // namespace
