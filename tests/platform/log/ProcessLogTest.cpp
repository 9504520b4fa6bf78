// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's --verbose and the line every message becomes.
#include "ProcessLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ProcessLogTest, VerboseIsTakenFromAnywhereAndTheRestKeepsItsOrder)
{
    std::vector<std::string> words{"Orlenta", "--verbose", "status", "--verbose", "--json"};
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int argc = 5;

    EXPECT_TRUE(ProcessLog::takeVerbose(argc, argv.data()));
    ASSERT_EQ(argc, 3);
    EXPECT_STREQ(argv[0], "Orlenta");
    EXPECT_STREQ(argv[1], "status");
    EXPECT_STREQ(argv[2], "--json");
    EXPECT_EQ(argv[3], nullptr);

    EXPECT_FALSE(ProcessLog::takeVerbose(argc, argv.data()));
    EXPECT_EQ(argc, 3);
}

TEST(ProcessLogTest, LineCarriesTheTimeToTheMillisecondTheCategoryAndTheLevel)
{
    const QDateTime time(QDate(2026, 12, 9), QTime(0, 29, 54, 7));
    EXPECT_EQ(ProcessLog::line(QtWarningMsg, "orlenta.hid", "odd report", time),
              "2026-12-09T00:29:54.007 orlenta.hid warning: odd report\n");
    EXPECT_EQ(ProcessLog::line(QtDebugMsg, nullptr, "x", time),
              "2026-12-09T00:29:54.007 default debug: x\n");
}

} // namespace
