// One running copy per user: the second copy finds the first and wakes it.
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(SingleInstance, SecondCopyReachesTheFirstAndAsksItToShow)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    EXPECT_EQ(SingleInstance::socketPath(QStringLiteral("vekCtrl")),
              runtime.filePath(QStringLiteral("vekCtrl")));

    SingleInstance first(QStringLiteral("vekCtrl"));
    EXPECT_FALSE(first.notifyRunningCopy());
    int raised = 0;
    ASSERT_TRUE(first.listen([&raised] { ++raised; }));

    SingleInstance second(QStringLiteral("vekCtrl"));
    EXPECT_TRUE(second.notifyRunningCopy());
    QElapsedTimer timer;
    timer.start();
    while (raised == 0 && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(raised, 1);
}

TEST(SingleInstance, SocketLeftByACrashedCopyDoesNotStopTheNextStart)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    {
        std::FILE *stale =
            std::fopen(runtime.filePath(QStringLiteral("vekCtrl")).toUtf8().constData(), "w");
        ASSERT_NE(stale, nullptr);
        std::fclose(stale);
    }
    SingleInstance next(QStringLiteral("vekCtrl"));
    EXPECT_FALSE(next.notifyRunningCopy());
    EXPECT_TRUE(next.listen([] {}));
}

} // namespace
