#include "CDlgProcess.h"
#include "RecordingMessageBoxes.h"
#include "SaveFileDialog.h"
#include "WaveTestFiles.h"

#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

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
        window.setFormat(WaveFormat{});
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
};

QTEST_MAIN(SaveWindowTest)
#include "SaveWindowTest.moc"
