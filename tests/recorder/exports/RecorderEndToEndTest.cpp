// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder library as the control panel uses it: loaded by path into a
// program with a window system (Xvfb) and a sound server, driven through its
// exports and its window.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "SourceClock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <dlfcn.h>
#include <fstream>
#include <iterator>

namespace {
using OpenDlgFn = int (*)(int, int, int, int);
using SetDlgPosFn = void (*)(int, int);
using ShowDlgHideFn = void (*)(int);
using DeviceRemovedFn = void (*)();

std::vector<unsigned char> bytesOf(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t le32(const std::vector<unsigned char> &b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// Root mean square of the left channel of a recorder take, over its data.
double loudness(const std::vector<unsigned char> &take)
{
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 46; i + 3 < take.size(); i += 4, ++count) {
        const auto s = std::int16_t(take[i] | take[i + 1] << 8);
        sum += double(s) * s;
    }
    return count ? std::sqrt(sum / count) : 0;
}
} // namespace

class RecorderEndToEndTest : public QObject {
    Q_OBJECT

private:
    void *library_ = nullptr;
    OpenDlgFn openDlg_ = nullptr;
    SetDlgPosFn setDlgPos_ = nullptr;
    ShowDlgHideFn showDlgHide_ = nullptr;
    DeviceRemovedFn deviceRemoved_ = nullptr;
    QWidget *window_ = nullptr;
    QTemporaryDir work_;
    QString take_;

    QPushButton *button(int id) { return window_->findChild<QPushButton *>(QString::number(id)); }
    QScrollBar *scroll() { return window_->findChild<QScrollBar *>("1014"); }
    QString label(int id) { return window_->findChild<QLabel *>(QString::number(id))->text(); }

    // Plays a tone into the device's sink for the given seconds, at low
    // latency, so the sink hands it on while it plays, not in seconds-long
    // bursts. An idle null sink sleeps in 2 s steps and wakes to a new player
    // only at the end of the step under way: this returns once the tone has
    // played longer than that. Tones play to their end: a player killed
    // mid-tone leaves its last fragment in the sink, and on PipeWire the next
    // capture of its monitor begins with it.
    void playTone(QProcess &player, int seconds)
    {
        const QString tone = work_.filePath("tone.wav");
        QCOMPARE(QProcess::execute("sox",
                                   {"-q", "-n", "-r", "44100", "-c", "2", "-b", "16", tone, "synth",
                                    QString::number(seconds), "sine", "1000", "vol", "0.5"}),
                 0);
        player.start("paplay", {"--latency-msec=20", "-d", "vek", tone});
        QVERIFY(player.waitForStarted());
        QTest::qWait(2500);
    }

    // Starts a new take over the one there is, answering the question.
    void recordAgain()
    {
        QString asked;
        answerMessageBox(&asked);
        button(1003)->click();
        QCOMPARE(asked, QString("Are you sure to record? If so, recorded data will lose!"));
        QCOMPARE(button(1003)->text(), QString("Stop"));
    }
    // The take on disk has a header that counts all of it.
    void checkTakeIsComplete(double atLeastSeconds)
    {
        const auto take = bytesOf(take_);
        QVERIFY(take.size() > 46);
        QCOMPARE(le32(take, 42), std::uint32_t(take.size() - 46));
        QCOMPARE(le32(take, 4), std::uint32_t(take.size() - 8));
        const double seconds = (take.size() - 46) / 176400.0;
        QVERIFY2(seconds >= atLeastSeconds, qPrintable(QString::number(seconds)));
    }

    // Answers the next modal message box with OK and returns its text.
    void answerMessageBox(QString *text)
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer, text] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                timer->stop();
                *text = box->text();
                box->button(QMessageBox::Ok)->click();
                timer->deleteLater();
            }
        });
        timer->start(50);
    }

    // Answers the next save-as dialog with a file name and a filter.
    void answerSaveDialog(const QString &path, const QString &filter, QString *title)
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [=] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QFileDialog *>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                timer->stop();
                *title = dialog->windowTitle();
                dialog->selectNameFilter(filter);
                // Typed into the name field, as a user does (selectFile leaves
                // a focused field alone).
                dialog->setDirectory(QFileInfo(path).path());
                dialog->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(path).fileName());
                static_cast<QDialog *>(dialog)->accept();
                timer->deleteLater();
                return;
            }
        });
        timer->start(50);
    }

private slots:
    void initTestCase()
    {
        const QString path = QStringLiteral(ORLENTA_STAGE_DIR "/NUVRecord.so");
        library_ = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(library_, dlerror());
        openDlg_ = reinterpret_cast<OpenDlgFn>(dlsym(library_, "OpenDlg"));
        setDlgPos_ = reinterpret_cast<SetDlgPosFn>(dlsym(library_, "SetDlgPos"));
        showDlgHide_ = reinterpret_cast<ShowDlgHideFn>(dlsym(library_, "ShowDlgHide"));
        deviceRemoved_ = reinterpret_cast<DeviceRemovedFn>(dlsym(library_, "DeviceRemoved"));
        QVERIFY(openDlg_ && setDlgPos_ && showDlgHide_ && deviceRemoved_);
        QVERIFY(work_.isValid());
        // The take of an earlier run would be taken up; this run starts without one.
        take_ = QString::fromStdString(
            (std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
             "NUVRecord.wav")
                .string());
        QFile::remove(take_);
    }

    void opensDockedBesideTheHost()
    {
        showDlgHide_(5); // before the first OpenDlg: nothing to show
        QCOMPARE(openDlg_(200, 100, 420, 500), 1);
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("102"))
                window_ = widget;
        QVERIFY(window_);
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        QTRY_COMPARE(window_->geometry().topLeft(), QPoint(202, 100));
        setDlgPos_(300, 150);
        QTRY_COMPARE(window_->geometry().topLeft(), QPoint(302, 150));
        QCOMPARE(openDlg_(300, 150, 420, 500), 0);
        QCOMPARE(openDlg_(300, 150, 420, 500), 1);
    }

    void recordsAToneFromTheSoundServerForAsLongAsItRan()
    {
        QProcess player;
        playTone(player, 6);
        SourceClock source("vek_in");
        QVERIFY(source.started());
        QTest::qWait(200); // the reference recorder is under way
        QElapsedTimer clock;
        clock.start();
        button(1003)->click();
        const double started = clock.nsecsElapsed() / 1e9;
        const double sourceAtRecord = source.seconds();
        QCOMPARE(button(1003)->text(), QString("Stop"));
        QTest::qWait(3000);
        const double stopping = clock.nsecsElapsed() / 1e9;
        const double sourceAtStop = source.seconds();
        button(1003)->click();
        const double stopped = clock.nsecsElapsed() / 1e9;
        QTRY_VERIFY_WITH_TIMEOUT(button(1006)->isEnabled(), 3000);
        player.waitForFinished();
        QCOMPARE(button(1003)->text(), QString("Record"));
        QVERIFY(scroll()->isVisible());

        checkTakeIsComplete(0);
        // Every sample between Record and Stop, and no more: at least the time
        // from the moment Record had started the capture to the moment Stop
        // was pressed, at most the time from pressing Record to Stop done,
        // less one 20 ms fragment either way. A source that fell behind the
        // wall clock (beyond the reference recorder's own fragment)
        // delivered less than that to anyone: the take is then held to what
        // it delivered, give or take what two recorders of a source that
        // stalls may see of it at one moment (measured up to 80 ms).
        const auto take = bytesOf(take_);
        const double seconds = (take.size() - 46) / 176400.0;
        const double delivered = sourceAtStop - sourceAtRecord;
        const double wall = stopping - started;
        // A reference that heard nothing (no such source, a recorder that
        // died) would set no bound at all.
        QVERIFY2(sourceAtRecord > 0 && delivered > wall / 2,
                 qPrintable(QString::number(delivered)));
        const bool sourceFellBehind = delivered < wall - 0.02;
        const double least = sourceFellBehind ? delivered - 0.1 : wall - 0.02;
        const QString span =
            QStringLiteral("take %1 s, capture ran %2 to %3 s, source delivered %4 s")
                .arg(seconds)
                .arg(wall)
                .arg(stopped)
                .arg(delivered);
        QVERIFY2(seconds >= least, qPrintable(span));
        QVERIFY2(seconds <= stopped + 0.02, qPrintable(span));
        qInfo("%s", qPrintable(span));
        QVERIFY2(loudness(take) > 3000, qPrintable(QString::number(loudness(take))));
    }

    void playsTheTakeToItsEnd()
    {
        button(1006)->click();
        QCOMPARE(button(1006)->text(), QString("Stop"));
        QTRY_VERIFY_WITH_TIMEOUT(label(1012).startsWith("Play:"), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(label(1012), QString("Play Over"), 6000);
        QVERIFY(button(1003)->isEnabled());
        QCOMPARE(scroll()->value(), 0);
    }

    void cutsToTheFirstSecond()
    {
        const auto before = bytesOf(take_);
        scroll()->setValue(0);
        button(1015)->click();
        scroll()->setValue(1);
        button(1016)->click();
        QString asked;
        answerMessageBox(&asked);
        button(1017)->click();
        QCOMPARE(
            asked,
            QString(
                " the head and tail data will be discarded, unrecoverable. Are you sure you cut?"));
        QTRY_VERIFY(button(1017)->isEnabled());
        const auto take = bytesOf(take_);
        QCOMPARE(take.size(), std::size_t(46 + 176400));
        QCOMPARE(le32(take, 42), 176400u);
        QVERIFY(std::equal(take.begin() + 46, take.end(), before.begin() + 46));
        QCOMPARE(scroll()->maximum(), 1);
    }

    void savesAsWavAndAsMp3()
    {
        QString title;
        answerSaveDialog(work_.filePath("take"), "wav(*.wav)", &title);
        button(1013)->click();
        QCOMPARE(title, QString("save"));
        QVERIFY(bytesOf(work_.filePath("take.wav")) == bytesOf(take_));

        answerSaveDialog(work_.filePath("take"), "mp3(*.mp3)", &title);
        button(1013)->click();
        const QString mp3 = work_.filePath("take.mp3");
        const auto encoded = bytesOf(mp3);
        QVERIFY(encoded.size() > 4);
        QCOMPARE(int(encoded[0]), 0xff);
        QCOMPARE(int(encoded[1] & 0xfe), 0xfa);
        const QString decoded = work_.filePath("decoded.wav");
        QCOMPARE(QProcess::execute("mpg123", {"-q", "-w", decoded, mp3}), 0);
        const auto pcm = bytesOf(decoded);
        QCOMPARE((pcm.size() - 44) / 4, (bytesOf(take_).size() - 46) / 4);
    }

    void theHostsCardGoingAwayEndsTheTakeAndKeepsIt()
    {
        QProcess player;
        playTone(player, 4);
        recordAgain();
        QTest::qWait(1000);
        QString told;
        answerMessageBox(&told);
        deviceRemoved_();
        QTRY_COMPARE_WITH_TIMEOUT(told,
                                  QString("The recording device was removed; the take so far "
                                          "is kept."),
                                  3000);
        QTRY_COMPARE(button(1003)->text(), QString("Record"));
        player.waitForFinished();
        checkTakeIsComplete(0.9);
    }

    void unloadingTheLibraryMidTakeCompletesTheTakeAndTakesTheWindowAlong()
    {
        QProcess player;
        playTone(player, 4);
        recordAgain();
        QTest::qWait(1000);
        QPointer<QWidget> window = window_;
        QCOMPARE(dlclose(library_), 0);
        library_ = nullptr;
        QVERIFY(!window);
        // Qt no longer asks the library for accessible interfaces: it is gone.
        QComboBox list;
        QVERIFY(QAccessible::queryAccessibleInterface(&list));
        player.waitForFinished();
        checkTakeIsComplete(0.9);
    }
};

int main(int argc, char **argv)
{
    const QByteArray display = qgetenv("ORLENTA_TEST_DISPLAY");
    if (display.isEmpty()) {
        fprintf(stderr,
                "ORLENTA_TEST_DISPLAY is not set: start the services with scripts/services.sh\n");
        return 1;
    }
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    RecorderEndToEndTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecorderEndToEndTest.moc"
