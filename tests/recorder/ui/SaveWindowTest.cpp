// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDlgProcess.h"
#include "RecordingMessageBoxes.h"
#include "SaveFileDialog.h"
#include "WaveTestFiles.h"

#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {
// Answers from the window's thread, as the system dialog does; can hold its
// answer back until the test lets it go.
class SlowSaveDialog : public SaveFileDialog {
public:
    std::optional<Choice> askSavePath(const std::string &,
                                      const std::vector<std::string> &) override
    {
        askedOnThread = std::this_thread::get_id();
        QDeadlineTimer deadline(5000);
        while (!released && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return answer;
    }
    std::optional<Choice> answer;
    bool released = true;
    std::thread::id askedOnThread;
};

// Message boxes that, like real ones, run an event loop until answered; the
// first one ends the program's event loops (as its quit does) instead of
// being answered.
class QuittingMessageBoxes : public MessageBoxes {
public:
    void inform(const std::string &text, const std::string &) override
    {
        shown.push_back(text);
        QEventLoop box;
        if (shown.size() == 1)
            QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
        else
            QTimer::singleShot(20, &box, &QEventLoop::quit);
        box.exec();
    }
    bool ask(const std::string &text, const std::string &caption) override
    {
        inform(text, caption);
        return false;
    }
    std::vector<std::string> shown;
};

// Runs work inside the application's own event loop, as the program does,
// and fails the test, rather than hanging the suite, when it never returns.
bool runInMainLoop(const std::function<void()> &work)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!changed.wait_for(lock, std::chrono::seconds(60), [&] { return finished; })) {
            std::fprintf(stderr, "FAIL: the window never finished: the save deadlocked\n");
            std::_Exit(1);
        }
    });
    QTimer::singleShot(0, [&] {
        work();
        {
            const std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        changed.notify_all();
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    watchdog.join();
    return finished;
}
} // namespace

class SaveWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    RecordingMessageBoxes messages_;
    SlowSaveDialog dialog_;

    std::filesystem::path take() const { return folder_.filePath("NUVRecord.wav").toStdString(); }

    int save(CDlgProcess &window)
    {
        window.setFormat(PcmFormat{});
        window.setMessages(messages_);
        window.setSaveDialog(dialog_);
        window.exec();
        return window.result();
    }

private slots:
    void initTestCase() { WaveTestFiles::writeTake(take(), WaveTestFiles::tone(2.0)); }

    void closesByItselfOnceTheFileIsWritten()
    {
        dialog_.answer = SaveFileDialog::Choice{folder_.filePath("copy").toStdString(), 2};
        CDlgProcess window(take(), nullptr);
        QCOMPARE(window.objectName(), QString("1001"));
        QCOMPARE(window.progressBar()->objectName(), QString("1019"));
        QCOMPARE(window.progressBar()->geometry().topLeft(), QPoint(0, 0));
        QCOMPARE(save(window), 1);
        QCOMPARE(window.progressBar()->maximum(), int(std::filesystem::file_size(take())));
        QCOMPARE(window.progressBar()->value(), window.progressBar()->maximum());
        QCOMPARE(dialog_.askedOnThread, std::this_thread::get_id());
        QVERIFY(std::filesystem::exists(folder_.filePath("copy.wav").toStdString()));
    }

    void aCancelledNameWritesNothing()
    {
        dialog_.answer.reset();
        CDlgProcess window(take(), nullptr);
        QCOMPARE(save(window), 0);
        QVERIFY(messages_.shown.empty());
    }

    void escapeDoesNotEndARunningSave()
    {
        dialog_.answer = SaveFileDialog::Choice{folder_.filePath("late").toStdString(), 1};
        dialog_.released = false;
        CDlgProcess window(take(), nullptr);
        QTimer::singleShot(100, &window, [&] {
            QTest::keyClick(&window, Qt::Key_Escape);
            QTimer::singleShot(100, &window, [&] {
                QVERIFY(window.isVisible());
                dialog_.released = true;
            });
        });
        QCOMPARE(save(window), 1);
        QVERIFY(std::filesystem::exists(folder_.filePath("late.mp3").toStdString()));
    }

    void quittingWhileTheWorkerWaitsForAMessageBoxEndsTheWindow()
    {
        // The MP3 output cannot be made: the worker shows why, and would then
        // show "Failed to save!"; the program quits during the first message.
        QuittingMessageBoxes boxes;
        dialog_.answer = SaveFileDialog::Choice{folder_.filePath("gone/x.mp3").toStdString(), 1};
        int result = -1;
        QVERIFY(runInMainLoop([&] {
            CDlgProcess window(take(), nullptr);
            window.setFormat(PcmFormat{});
            window.setMessages(boxes);
            window.setSaveDialog(dialog_);
            window.exec();
            result = window.result();
        }));
        QCOMPARE(result, 0);
        QCOMPARE(boxes.shown.size(), std::size_t(1));
    }

    void quittingDuringASaveLeavesTheTargetWholeOrAsItWas()
    {
        const std::filesystem::path longTake = folder_.filePath("long.wav").toStdString();
        WaveTestFiles::writeTake(longTake, WaveTestFiles::tone(120.0));
        const std::filesystem::path target = folder_.filePath("old.mp3").toStdString();
        WaveTestFiles::write(target, {}, std::vector<std::uint8_t>(1000, 0x42));
        dialog_.answer = SaveFileDialog::Choice{target.string(), 1};
        QVERIFY(runInMainLoop([&] {
            CDlgProcess window(longTake, nullptr);
            window.setFormat(PcmFormat{});
            window.setMessages(messages_);
            window.setSaveDialog(dialog_);
            QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
            window.exec();
        }));
        const auto size = std::filesystem::file_size(target);
        QVERIFY2(size == 1000 || size > 120 * 40000, qPrintable(QString::number(size)));
        // Nothing half-written stays beside it.
        for (const auto &entry : std::filesystem::directory_iterator(folder_.path().toStdString()))
            QVERIFY2(entry.path().filename().string()[0] != '.', entry.path().c_str());
    }
};

QTEST_MAIN(SaveWindowTest)
#include "SaveWindowTest.moc"
