// SPDX-License-Identifier: GPL-3.0-or-later
// One running copy per user: the lock decides which copy is the first, the
// socket carries later copies' requests to it.
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kName = QStringLiteral("vekCtrl");

class SingleInstanceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }

    // Runs events until the future is ready (the server answers on this thread).
    template <typename T> T await(std::future<T> &future)
    {
        QElapsedTimer timer;
        timer.start();
        while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
               timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return future.get();
    }

    QTemporaryDir runtime;
};

TEST_F(SingleInstanceTest, LaterCopyAsksTheFirstAndGetsItsAnswer)
{
    SingleInstance first(kName);
    EXPECT_EQ(SingleInstance::socketPath(kName), runtime.filePath(kName));
    ASSERT_TRUE(first.claim());
    std::vector<QByteArray> requests;
    ASSERT_TRUE(first.listen([&](const QByteArray &line, const InstanceClient &client) {
        requests.push_back(line);
        client.reply("shown\n");
    }));

    SingleInstance second(kName);
    EXPECT_FALSE(second.claim());
    auto answer = std::async(std::launch::async, [&] { return second.ask("show"); });
    EXPECT_EQ(await(answer), QByteArray("shown\n"));
    EXPECT_EQ(requests, std::vector<QByteArray>{"show"});

    // A request may carry more after the word; an empty answer is an answer.
    first.listen([](const QByteArray &, const InstanceClient &client) { client.reply({}); });
    auto empty = std::async(std::launch::async, [&] { return second.ask("show token-1\n"); });
    EXPECT_EQ(await(empty), QByteArray());
}

// Two copies started at the same moment: exactly one may be the first.
TEST_F(SingleInstanceTest, OfCopiesStartedTogetherExactlyOneIsTheFirst)
{
    constexpr int kCopies = 8;
    std::vector<std::unique_ptr<SingleInstance>> copies;
    for (int i = 0; i < kCopies; ++i)
        copies.push_back(std::make_unique<SingleInstance>(kName));
    std::atomic<int> ready{0};
    std::atomic<int> firsts{0};
    std::vector<std::thread> starts;
    for (auto &copy : copies)
        starts.emplace_back([&, raw = copy.get()] {
            ++ready;
            while (ready < kCopies) {
            }
            if (raw->claim())
                ++firsts;
        });
    for (std::thread &start : starts)
        start.join();
    EXPECT_EQ(firsts, 1);

    // The first one ending frees the place.
    copies.clear();
    SingleInstance next(kName);
    EXPECT_TRUE(next.claim());
}

// The first copy holds the lock before it listens; a copy asking in between
// waits for it instead of running as a second first copy.
TEST_F(SingleInstanceTest, CopyStillStartingIsWaitedFor)
{
    SingleInstance first(kName);
    ASSERT_TRUE(first.claim());
    SingleInstance second(kName);
    ASSERT_FALSE(second.claim());
    auto answer = std::async(std::launch::async, [&] { return second.ask("show"); });
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(first.listen(
        [](const QByteArray &, const InstanceClient &client) { client.reply("late\n"); }));
    EXPECT_EQ(await(answer), QByteArray("late\n"));
}

TEST_F(SingleInstanceTest, NobodyAnswersWhenNoCopyRuns)
{
    SingleInstance alone(kName);
    EXPECT_FALSE(alone.heldElsewhere());
    EXPECT_FALSE(alone.ask("show").has_value());
    EXPECT_TRUE(alone.claim());
}

// An answer that waits for something else comes from the event loop later,
// once; requests that come meanwhile are served; a client that hung up is
// not answered.
TEST_F(SingleInstanceTest, AnswersMayComeLater)
{
    SingleInstance first(kName);
    ASSERT_TRUE(first.claim());
    std::vector<InstanceClient> waiting;
    ASSERT_TRUE(first.listen([&](const QByteArray &line, const InstanceClient &client) {
        if (line == "now")
            client.reply("now\n");
        else
            waiting.push_back(client);
    }));
    SingleInstance second(kName);
    EXPECT_TRUE(second.heldElsewhere());
    auto late = std::async(std::launch::async, [&] { return second.ask("later"); });
    // Hangs up after 200 ms, long before its answer.
    auto impatient = std::async(
        std::launch::async, [&] { return second.ask("later", std::chrono::milliseconds(200)); });
    QElapsedTimer timer;
    timer.start();
    while (waiting.size() < 2 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(waiting.size(), 2u);
    auto now = std::async(std::launch::async, [&] { return second.ask("now"); });
    EXPECT_EQ(await(now), QByteArray("now\n"));
    EXPECT_FALSE(await(impatient).has_value());
    while (timer.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (const InstanceClient &client : waiting) {
        client.reply("done\n");
        client.reply("twice\n");
    }
    EXPECT_EQ(await(late), QByteArray("done\n"));
}

// Subscribers get what is sent as it comes, side by side; one that stops
// reading is dropped once it is a bounded backlog behind, and neither the
// others nor the copy's answers to requests wait for it.
TEST_F(SingleInstanceTest, ASubscriberThatStopsReadingIsDroppedAndHoldsNobodyUp)
{
    SingleInstance first(kName);
    ASSERT_TRUE(first.claim());
    std::vector<InstanceClient> subscribers;
    ASSERT_TRUE(first.listen([&](const QByteArray &line, const InstanceClient &client) {
        if (line == "subscribe")
            subscribers.push_back(client);
        else
            client.reply("now\n");
    }));
    SingleInstance second(kName);
    const std::unique_ptr<QLocalSocket> reading = second.subscribe("subscribe");
    const std::unique_ptr<QLocalSocket> stalled = second.subscribe("subscribe");
    ASSERT_TRUE(reading && stalled);
    // Takes no more from the system than this until it is read.
    stalled->setReadBufferSize(1024);
    QElapsedTimer timer;
    timer.start();
    while (subscribers.size() < 2 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(subscribers.size(), 2u);

    const QByteArray line = QByteArray(1023, 'x') + '\n';
    QByteArray received;
    qint64 sent = 0;
    while (subscribers[1].send(line) && sent < 16 * 1024 * 1024) {
        sent += line.size();
        EXPECT_TRUE(subscribers[0].send(line));
        QCoreApplication::processEvents();
        received += reading->readAll();
    }
    EXPECT_FALSE(subscribers[1].isConnected());
    // Dropped once the system's socket buffers and the backlog are full:
    // far sooner than all that was offered.
    EXPECT_LT(sent, 4 * 1024 * 1024);
    EXPECT_TRUE(subscribers[0].isConnected());
    while (received.size() < sent && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        received += reading->readAll();
    }
    EXPECT_EQ(received.size(), sent);

    auto now = std::async(std::launch::async, [&] { return second.ask("now"); });
    EXPECT_EQ(await(now), QByteArray("now\n"));
    // The dropped one reads what the buffers held, then the end.
    while (stalled->state() == QLocalSocket::ConnectedState && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        stalled->readAll();
    }
    EXPECT_NE(stalled->state(), QLocalSocket::ConnectedState);
}

TEST_F(SingleInstanceTest, SocketLeftByACrashedCopyDoesNotStopTheNextStart)
{
    {
        QFile stale(runtime.filePath(kName));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    SingleInstance next(kName);
    EXPECT_FALSE(next.ask("show").has_value());
    ASSERT_TRUE(next.claim());
    EXPECT_TRUE(next.listen([](const QByteArray &, const InstanceClient &) {}));
}

TEST_F(SingleInstanceTest, OverlongRequestIsCutOffUnanswered)
{
    SingleInstance first(kName);
    ASSERT_TRUE(first.claim());
    int handled = 0;
    ASSERT_TRUE(first.listen([&](const QByteArray &, const InstanceClient &client) {
        ++handled;
        client.reply("x");
    }));
    SingleInstance second(kName);
    const QByteArray flood(SingleInstance::kMaxRequestLength * 2, 'a');
    auto answer = std::async(std::launch::async, [&] { return second.ask(flood); });
    // The copy hangs up: an empty answer, nothing handled.
    EXPECT_EQ(await(answer), std::optional<QByteArray>(QByteArray()));
    EXPECT_EQ(handled, 0);
}

// Without a runtime folder the lock and socket go to a folder of the user's
// own, never straight into the shared temporary folder; a folder there that
// others may enter is not used.
TEST_F(SingleInstanceTest, OnlyAPrivateFolderIsUsed)
{
    QTemporaryDir temporary;
    const QString noSession = temporary.filePath(QStringLiteral("no-session"));
    qputenv("TMPDIR", temporary.path().toUtf8());
    qunsetenv("XDG_RUNTIME_DIR");
    const QString own = temporary.filePath(QStringLiteral("orlenta-%1").arg(getuid()));
    EXPECT_EQ(SingleInstance::privateFolder(noSession), own);
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(own).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // The paths themselves go by the machine's session folder, which a
    // logged-in user has.
    if (SingleInstance::privateFolder() == own) {
        EXPECT_EQ(SingleInstance::lockPath(kName),
                  QDir(own).filePath(QStringLiteral("vekCtrl.lock")));
    }

    // Opened up (or made so by someone else): refused, also as runtime folder.
    ASSERT_EQ(chmod(QFile::encodeName(own).constData(), 0777), 0);
    EXPECT_FALSE(SingleInstance::privateFolder(noSession).has_value());
    qputenv("XDG_RUNTIME_DIR", own.toUtf8());
    EXPECT_FALSE(SingleInstance::privateFolder(noSession).has_value());
    qunsetenv("TMPDIR");
}

// A command from cron or su has no XDG_RUNTIME_DIR: the session's runtime
// folder, where the desktop's panel holds its lock, comes before the
// temporary folder, but only when it is the user's own and private.
TEST_F(SingleInstanceTest, WithoutRuntimeVariableTheSessionFolderComesFirst)
{
    QTemporaryDir temporary;
    qputenv("TMPDIR", temporary.path().toUtf8());
    qunsetenv("XDG_RUNTIME_DIR");
    const QString own = temporary.filePath(QStringLiteral("orlenta-%1").arg(getuid()));
    const QString session = temporary.filePath(QStringLiteral("session"));
    ASSERT_EQ(mkdir(QFile::encodeName(session).constData(), 0700), 0);
    EXPECT_EQ(SingleInstance::privateFolder(session), session);

    ASSERT_EQ(chmod(QFile::encodeName(session).constData(), 0755), 0);
    EXPECT_EQ(SingleInstance::privateFolder(session), own);

    ASSERT_EQ(chmod(QFile::encodeName(session).constData(), 0700), 0);
    const QString link = temporary.filePath(QStringLiteral("session-link"));
    ASSERT_EQ(symlink(QFile::encodeName(session).constData(), QFile::encodeName(link).constData()),
              0);
    EXPECT_EQ(SingleInstance::privateFolder(link), own);
    qunsetenv("TMPDIR");
}

} // namespace
