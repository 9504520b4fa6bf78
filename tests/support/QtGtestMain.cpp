// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest entry point for tests that need a Qt event loop (posted events,
// nested loops, timers) on the main thread.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
