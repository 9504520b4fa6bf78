// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputLevelWidget.h"
#include "Pcm.h"
#include "RecorderWindow.h"
#include "WaveformPalette.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/file.h>
#include <unistd.h>

namespace {
std::vector<char> bytesOf(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t le32(const std::vector<char> &bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | std::uint8_t(bytes.at(at + std::size_t(i)));
    return value;
}
} // namespace

class RecorderDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RecorderWindow> w_;

    QPushButton *button(int id) { return w_->button(id); }
    QString text(int id) { return w_->text(id); }
    QScrollBar *scroll() { return w_->scroll(); }
    QAction *meterAction() { return w_->dialog->findChild<QAction *>("inputMeter"); }
    std::string take() { return w_->take(); }
    void recordTake(double seconds) { w_->recordTake(seconds); }

    // Starts a take and records one second of it; the take goes on.
    void recordOneSecondWithoutStopping()
    {
        button(1003)->click();
        const std::vector<std::uint8_t> second(176400, 0x20);
        for (std::size_t done = 0; done < second.size(); done += 8820) {
            w_->capture.capture(std::span(second).subspan(done, 8820));
            w_->capture.deliver();
        }
    }

    // The items of the menu a context menu event on the control opens, or
    // nothing when none opens.
    QStringList menuOpenedOn(QWidget *control, QContextMenuEvent::Reason reason)
    {
        QStringList items;
        QTimer::singleShot(0, this, [&items] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *action : menu->actions())
                    if (!action->isSeparator())
                        items << action->text();
                menu->close();
            }
        });
        const QPoint centre = control->rect().center();
        QContextMenuEvent event(reason, centre, control->mapToGlobal(centre));
        QApplication::sendEvent(control, &event);
        QCoreApplication::processEvents(); // a menu that never opened leaves the timer here
        return items;
    }

    bool asked(const std::string &text)
    {
        for (const auto &shown : w_->messages.shown)
            if (shown.text == text)
                return true;
        return false;
    }

private slots:
    void init() { w_ = std::make_unique<RecorderWindow>(); }
    void cleanup() { w_.reset(); }

    void startsWithNothingToEditAndTheProductsDevicesListed()
    {
        QCOMPARE(w_->dialog->objectName(), QString("102"));
        QCOMPARE(w_->dialog->pos(), QPoint(102, 50));
        QVERIFY(w_->dialog->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY((w_->dialog->windowFlags() & Qt::Tool) == Qt::Tool);
        QVERIFY(button(1003)->isEnabled());
        for (int id : {1006, 1015, 1016, 1017, 1013})
            QVERIFY2(!button(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!scroll()->isVisible());
        for (int id : {1009, 1033, 1004, 1005, 1036, 1018, 1, 2})
            QVERIFY(!w_->dialog->findChild<QWidget *>(QString::number(id))->isVisible());
        QCOMPARE(text(1012), QString("Play Time"));
        QCOMPARE(text(1010), QString("Record Time"));
        // Buttons 60 × 25 in a row, 10 pixels apart, to the right of Play.
        const QRect play = button(1006)->geometry();
        QCOMPARE(play.size(), QSize(60, 25));
        QCOMPARE(button(1015)->geometry(), play.translated(70, 0));
        QCOMPARE(button(1013)->geometry(), play.translated(280, 0));
        QCOMPARE(button(1003)->size(), QSize(60, 25));
        // The waveform areas and the bar below them follow the hidden placeholder.
        const QRect placeholder = w_->dialog->findChild<QWidget *>("1009")->geometry();
        QCOMPARE(scroll()->geometry(),
                 QRect(placeholder.left(), placeholder.top() + 2 * placeholder.height() + 10,
                       placeholder.width(), 17));
        QCOMPARE(w_->dialog->width(), placeholder.right() + 1 + 10);

        auto *outputs = w_->dialog->findChild<QComboBox *>("1007");
        auto *inputs = w_->dialog->findChild<QComboBox *>("1008");
        QVERIFY(!outputs->isEnabled());
        QCOMPARE(outputs->count(), 2);
        QCOMPARE(outputs->itemText(0), QString("VEK ZR-4"));
        QCOMPARE(outputs->itemText(1), QString("VEK ZR-4 Digital"));
        QCOMPARE(outputs->currentIndex(), 0);
        QCOMPARE(inputs->count(), 1);
    }

    void theFirstRecordAsksNothingAndALaterOneAsks()
    {
        recordTake(1.0);
        QVERIFY(w_->messages.shown.empty());
        QVERIFY(scroll()->isVisible());
        QVERIFY(button(1006)->isEnabled());
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 176400u);
        QCOMPARE(text(1010).left(4), QString("Rec:"));

        const auto before = bytesOf(take());
        w_->messages.answer = false;
        button(1003)->click();
        QCOMPARE(w_->messages.shown.size(), std::size_t(1));
        QCOMPARE(w_->messages.shown[0].text,
                 std::string("Are you sure to record? If so, recorded data will lose!"));
        QCOMPARE(w_->messages.shown[0].caption, std::string("NOTIFY"));
        QVERIFY(w_->messages.shown[0].question);
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(bytesOf(take()) == before);

        w_->messages.answer = true;
        recordTake(0.5);
        QCOMPARE(w_->messages.shown.size(), std::size_t(2));
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 88200u);
    }

    void playBeforeAnyTakeAsksForOne()
    {
        button(1006)->setEnabled(true); // as after a take whose file has gone
        button(1006)->click();
        QCOMPARE(w_->messages.shown.size(), std::size_t(1));
        QCOMPARE(w_->messages.shown[0].text, std::string("Please record first!"));
        QCOMPARE(w_->messages.shown[0].caption, std::string("NOTIFY"));
        QCOMPARE(text(1006), QString("Play"));
        QVERIFY(!w_->dialog->playbackTimerRunning());
    }

    void playStartsInsideTheRangeOrAtItsStart()
    {
        recordTake(13.0);
        scroll()->setValue(5);
        button(1015)->click();
        scroll()->setValue(12);
        button(1016)->click();
        QCOMPARE(w_->dialog->startPosition(), 5000u);
        QCOMPARE(w_->dialog->endPosition(), 12000u);

        struct Case {
            int at;
            const char *command;
            int thumb;
        };
        for (const Case &c :
             {Case{7, "play from 7000 to 12000", 7}, Case{2, "play from 5000 to 12000", 5},
              Case{12, "play from 5000 to 12000", 5}}) {
            scroll()->setValue(c.at);
            w_->player.commands.clear();
            button(1006)->click();
            QCOMPARE(w_->player.commands.back(), std::string(c.command));
            QCOMPARE(scroll()->value(), c.thumb);
            QCOMPARE(text(1006), QString("Stop"));
            QVERIFY(!button(1003)->isEnabled());
            QVERIFY(w_->dialog->playbackTimerRunning());
            button(1006)->click();
            QCOMPARE(text(1006), QString("Play"));
            QVERIFY(button(1003)->isEnabled());
            QVERIFY(!w_->dialog->playbackTimerRunning());
            QCOMPARE(w_->player.commands[w_->player.commands.size() - 2], std::string("stop"));
            QCOMPARE(w_->player.commands.back(), std::string("close"));
        }
        QCOMPARE(w_->player.lastFile, take());
    }

    void theFirstPlayFillsTheEndWithoutSettingIt()
    {
        recordTake(3.0);
        button(1006)->click();
        QCOMPARE(w_->player.commands.back(), std::string("play from 0 to 3000"));
        QCOMPARE(w_->dialog->endPosition(), 3000u);
        QVERIFY(!w_->dialog->endIsSet());
    }

    void theTickFollowsPlaybackAndEndsWithPlayOver()
    {
        recordTake(9.0);
        button(1006)->click();
        w_->player.positionMs = 7300;
        w_->dialog->playbackTick();
        QCOMPARE(text(1012), QString("Play:7.3s"));
        QCOMPARE(scroll()->value(), 7);
        QVERIFY(w_->dialog->playbackTimerRunning());

        w_->player.playing = false;
        w_->dialog->playbackTick();
        QCOMPARE(text(1012), QString("Play Over"));
        QCOMPARE(scroll()->value(), 0);
        QCOMPARE(text(1006), QString("Play"));
        QVERIFY(button(1003)->isEnabled());
        QVERIFY(!w_->dialog->playbackTimerRunning());
        QCOMPARE(w_->player.commands.back(), std::string("close")); // the take is free again
    }

    void theTimerDrivesTheTickEvery100Ms()
    {
        recordTake(2.0);
        button(1006)->click();
        w_->player.playing = false;
        QTRY_COMPARE_WITH_TIMEOUT(text(1012), QString("Play Over"), 1000);
    }

    void reversedPositionsAreRefused()
    {
        recordTake(10.0);
        scroll()->setValue(5);
        button(1016)->click();
        scroll()->setValue(8);
        button(1015)->click();
        QVERIFY(!w_->dialog->startIsSet());
        QCOMPARE(w_->dialog->startPosition(), 0u);
        QCOMPARE(w_->messages.shown.back().text,
                 std::string("The start position and end position is reversed!"));
        QCOMPARE(w_->messages.shown.back().caption, std::string("NOTIFY"));

        scroll()->setValue(5);
        button(1015)->click(); // the same second is accepted
        QVERIFY(w_->dialog->startIsSet());
        scroll()->setValue(3);
        button(1016)->click();
        QCOMPARE(w_->dialog->endPosition(), 5000u);
        QCOMPARE(w_->messages.shown.size(), std::size_t(2));
    }

    void cutWithNothingSetAsksNothingAndOtherwiseKeepsTheRange()
    {
        recordTake(6.0);
        const auto before = bytesOf(take());
        button(1017)->click();
        QVERIFY(w_->messages.shown.empty());
        QVERIFY(bytesOf(take()) == before);

        scroll()->setValue(2);
        button(1015)->click();
        scroll()->setValue(5);
        button(1016)->click();
        w_->messages.answer = false;
        button(1017)->click();
        QCOMPARE(w_->messages.shown.back().caption, std::string("Tip"));
        QCOMPARE(
            w_->messages.shown.back().text,
            std::string(
                " the head and tail data will be discarded, unrecoverable. Are you sure you cut?"));
        QVERIFY(bytesOf(take()) == before);

        w_->messages.answer = true;
        button(1017)->click();
        QTRY_VERIFY(!w_->dialog->cutRunning());
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 3u * 176400);
        QVERIFY(!w_->dialog->startIsSet() && !w_->dialog->endIsSet());
        QCOMPARE(w_->dialog->startPosition() + w_->dialog->endPosition(), 0u);
        QCOMPARE(scroll()->maximum(), 3);
        QCOMPARE(scroll()->value(), 0);
        QCOMPARE(text(1012), QString("Play:0.0s"));
    }

    void scrollingStopsPlaybackButLeavesRecordDisabled()
    {
        recordTake(5.0);
        button(1006)->click();
        w_->player.commands.clear();
        scroll()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(w_->player.commands, (std::vector<std::string>{"stop", "close"}));
        QCOMPARE(text(1006), QString("Play"));
        QVERIFY(!w_->dialog->playbackTimerRunning());
        QVERIFY(!button(1003)->isEnabled());
        QCOMPARE(text(1012), QString("Play:1.0s"));
    }

    void aTakeInUseOrABusyDeviceLeavesNothingRecording()
    {
        recordTake(1.0);
        const int fd = ::open(take().c_str(), O_RDONLY);
        QVERIFY(flock(fd, LOCK_SH) == 0); // as while the take plays
        button(1003)->click();
        QCOMPARE(w_->messages.shown.back().text,
                 std::string("The recorded file is used, please close the recorded file!"));
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(!w_->capture.isStarted());
        QVERIFY(button(1006)->isEnabled());
        ::close(fd);

        // Without the meter the device opens at Record, and may be busy then.
        meterAction()->setChecked(false);
        w_->capture.deliver();
        w_->capture.setDeviceBusy(true);
        const auto earlier = bytesOf(take());
        button(1003)->click();
        QCOMPARE(w_->messages.shown.back().text,
                 std::string("Recorded device is used, please close other record program!"));
        QCOMPARE(text(1003), QString("Record"));
        // Nothing was recorded, so the last take is still the take, shown
        // and ready to play.
        QVERIFY(bytesOf(take()) == earlier);
        QCOMPARE(le32(earlier, 42), 176400u);
        QVERIFY(button(1006)->isEnabled());
        QVERIFY(scroll()->isVisible());
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 176400u);
    }

    void aDeviceThatVanishesMidTakeLeavesTheTakeSoFarAndSaysSo()
    {
        recordOneSecondWithoutStopping();
        w_->capture.loseDevice();
        w_->capture.deliver();
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(button(1003)->isEnabled());
        QVERIFY(button(1006)->isEnabled());
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 176400u);
        QCOMPARE(std::filesystem::file_size(take()), std::uintmax_t(46 + 176400));
        QCOMPARE(w_->messages.shown.back().text,
                 std::string("The recording device was removed; the take so far is kept."));
    }

    void theHostsCardGoingAwayEndsTheTakeTheSameWay()
    {
        w_->dialog->deviceRemoved(); // no take: nothing to end
        QVERIFY(w_->messages.shown.empty());
        recordOneSecondWithoutStopping();
        w_->dialog->deviceRemoved();
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(!button(1003)->isEnabled()); // until the device has handed over the rest
        w_->capture.deliver();
        QVERIFY(button(1003)->isEnabled());
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 176400u);
        QCOMPARE(w_->messages.shown.size(), std::size_t(1));
        QCOMPARE(w_->messages.shown.back().text,
                 std::string("The recording device was removed; the take so far is kept."));
    }

    void aTakeLeftByAnEarlierRunIsThereToPlayAndAsksBeforeItIsReplaced()
    {
        recordTake(35.0);
        w_->dialog.reset();
        // The run was killed: its header counts only part of the take.
        const std::string path = (w_->folder.path() + "/NUVRecord.wav").toStdString();
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(42);
        file.write("\0\0\0\0", 4);
        file.close();
        w_->open();
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 35u * 176400);
        QCOMPARE(le32(bytesOf(path), 42), 35u * 176400);
        QVERIFY(button(1006)->isEnabled());
        QVERIFY(scroll()->isVisible());
        QCOMPARE(scroll()->maximum(), 35);
        QCOMPARE(w_->dialog->waveform().pageBytes(), 30u * 176400);
        QCOMPARE(w_->dialog->waveform().drawnBytes(), 30u * 176400);
        w_->messages.answer = false;
        button(1003)->click();
        QCOMPARE(w_->messages.shown.back().text,
                 std::string("Are you sure to record? If so, recorded data will lose!"));
        QCOMPARE(le32(bytesOf(path), 42), 35u * 176400);
    }

    void theWaveformIsDrawnWhileRecording()
    {
        recordTake(2.0);
        const QImage &left = w_->dialog->waveform().leftPicture();
        int traced = 0;
        for (int y = 0; y < left.height(); ++y)
            traced += left.pixelIndex(10, y) != WaveformPalette::background;
        QVERIFY(traced > 0);
        const QImage shot = w_->dialog->grab().toImage();
        const QRect placeholder = w_->dialog->findChild<QWidget *>("1009")->geometry();
        QCOMPARE(shot.pixel(placeholder.topLeft()),
                 WaveformPalette::colourTable(w_->dialog->palette()).at(left.pixelIndex(0, 0)));
    }

    void aLongTakeShowsThePageThatHoldsThePosition()
    {
        recordTake(35.0);
        const unsigned page = w_->dialog->waveform().pageBytes();
        QCOMPARE(page, 30u * 176400);
        QCOMPARE(scroll()->maximum(), 34);
        const unsigned data = w_->dialog->bufferFile().dataBytes();

        scroll()->setValue(33);
        scroll()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(text(1012), QString("Play:32.0s"));
        QCOMPARE(w_->dialog->waveform().drawnBytes(), data); // the second page, to the take's end

        scroll()->setValue(4);
        scroll()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(w_->dialog->waveform().drawnBytes(), page); // the first page

        // Playback moving into the second page redraws it once.
        button(1006)->click();
        w_->player.positionMs = 31000;
        w_->dialog->playbackTick();
        QCOMPARE(w_->dialog->waveform().drawnBytes(), data);
        QCOMPARE(scroll()->value(), 31);
    }

    void theInputMeterSitsBesideRecordAndReadsTheSourcesPeak()
    {
        auto *meter = w_->dialog->findChild<QWidget *>("inputLevel");
        QVERIFY(meter && meter->isVisible());
        QVERIFY2(w_->capture.isOpen(), "the meter's stream is open while the window shows");
        QVERIFY(!w_->capture.isStarted());
        // Beside Record, inside the window, over no other control.
        QVERIFY(meter->geometry().left() > button(1003)->geometry().right());
        QVERIFY(w_->dialog->rect().contains(meter->geometry()));
        for (QWidget *other : w_->dialog->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (other != meter && other->isVisible())
                QVERIFY2(!other->geometry().intersects(meter->geometry()),
                         qPrintable(other->objectName()));

        QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(meter);
        QVERIFY(reader && reader->valueInterface());
        w_->capture.capture(Pcm::sine(0.05, 1000.0, 44100, 0.5));
        w_->capture.deliver();
        QCOMPARE(reader->text(QAccessible::Value), QString("-6.0"));
        QVERIFY(std::abs(reader->valueInterface()->currentValue().toDouble() + 6.02) < 0.01);
        w_->capture.capture(std::vector<std::uint8_t>(8820, 0));
        w_->capture.deliver();
        QCOMPARE(reader->text(QAccessible::Value), QString("-inf"));

        const std::vector<std::uint8_t> fullScale = {0xff, 0x7f, 0xff, 0x7f};
        w_->capture.capture(fullScale);
        w_->capture.deliver();
        QVERIFY(w_->dialog->meter().clipped(0) && w_->dialog->meter().clipped(1));
        w_->capture.capture(std::vector<std::uint8_t>(8820, 0));
        w_->capture.deliver();
        QVERIFY2(w_->dialog->meter().clipped(0), "lit until clicked");
        QTest::mouseClick(meter, Qt::LeftButton);
        QVERIFY(!w_->dialog->meter().clipped(0) && !w_->dialog->meter().clipped(1));
    }

    void turningTheMeterOffClosesItsStreamAndTheChoiceIsKept()
    {
        meterAction()->setChecked(false);
        w_->capture.deliver();
        QVERIFY(!w_->capture.isOpen());
        QVERIFY(!w_->dialog->findChild<QWidget *>("inputLevel")->isVisible());
        std::ifstream setting(w_->folder.filePath("setting.ini").toStdString());
        const std::string kept{std::istreambuf_iterator<char>(setting), {}};
        QVERIFY(kept.find("InputMeter=0") != std::string::npos);

        w_->open();
        QVERIFY(!meterAction()->isChecked());
        QVERIFY(!w_->capture.isOpen());
        recordTake(0.5); // opened at Record, closed with the take
        QVERIFY(!w_->capture.isOpen());
        meterAction()->setChecked(true);
        QVERIFY(w_->capture.isOpen());
    }

    // The platform turns the menu key into a keyboard context menu event for
    // the focused control; offscreen it is sent by hand.
    void theWaveformsMenuOpensFromTheKeyboardWhereverTheFocusIs()
    {
        QPushButton *record = button(1003);
        record->setFocus();
        QCOMPARE(menuOpenedOn(record, QContextMenuEvent::Keyboard),
                 (QStringList{"Undo cut", "Input meter"}));
        QVERIFY2(menuOpenedOn(record, QContextMenuEvent::Mouse).isEmpty(),
                 "a right click on a button opens nothing");
    }

    void hidingTheWindowClosesTheStreamAndShowingOpensIt()
    {
        QVERIFY(w_->capture.isOpen());
        w_->dialog->hide();
        w_->capture.deliver();
        QVERIFY(!w_->capture.isOpen());
        w_->dialog->show();
        QVERIFY(w_->capture.isOpen());
    }

    void aSourceThatVanishesShowsNoInputAndRecordSaysItWasRemoved()
    {
        w_->capture.loseDevice();
        w_->capture.deliver();
        QVERIFY(!w_->dialog->meter().hasInput());
        auto *meter = w_->dialog->findChild<QWidget *>("inputLevel");
        QCOMPARE(QAccessible::queryAccessibleInterface(meter)->text(QAccessible::Description),
                 QString("no input"));
        QVERIFY(w_->messages.shown.empty());
        button(1003)->click();
        QCOMPARE(w_->messages.shown.back().text,
                 std::string("The recording device was removed; the take so far is kept."));
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(!w_->capture.isStarted());
        QVERIFY(!std::filesystem::exists(take()));
        QVERIFY2(w_->dialog->meter().hasInput(), "the source there is now is heard again");
    }

    void ctrlZUndoesTheLastCutWithItsMarksAndPageUntilTheNextRecord()
    {
        recordTake(35.0);
        const auto before = bytesOf(take());
        QAction *undo = w_->dialog->findChild<QAction *>("undoCut");
        QVERIFY(undo && !undo->isEnabled());
        scroll()->setValue(2);
        button(1015)->click();
        scroll()->setValue(33);
        button(1016)->click();
        button(1017)->click();
        QTRY_VERIFY(!w_->dialog->cutRunning());
        QCOMPARE(scroll()->maximum(), 31);
        QVERIFY(undo->isEnabled());

        QTest::keyClick(w_->dialog.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(bytesOf(take()) == before);
        QCOMPARE(w_->dialog->bufferFile().dataBytes(), 35u * 176400);
        QCOMPARE(w_->dialog->startPosition(), 2000u);
        QCOMPARE(w_->dialog->endPosition(), 33000u);
        QVERIFY(w_->dialog->startIsSet() && w_->dialog->endIsSet());
        QCOMPARE(scroll()->maximum(), 34);
        QCOMPARE(scroll()->value(), 33);
        // The page that holds the position.
        QCOMPARE(w_->dialog->waveform().drawnBytes(), w_->dialog->bufferFile().dataBytes());
        QVERIFY(!undo->isEnabled());

        button(1017)->click();
        QTRY_VERIFY(!w_->dialog->cutRunning());
        QVERIFY(undo->isEnabled());
        // A Record that the busy device refuses replaces nothing.
        meterAction()->setChecked(false);
        w_->capture.deliver();
        w_->capture.setDeviceBusy(true);
        button(1003)->click();
        QVERIFY(undo->isEnabled());
        QVERIFY(w_->dialog->bufferFile().hasUndo());
        w_->capture.setDeviceBusy(false);
        recordTake(0.5);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!w_->dialog->bufferFile().hasUndo());
    }

    void saveWritesTheChosenFileBehindTheProgressWindow()
    {
        recordTake(1.0);
        const std::filesystem::path target = w_->folder.filePath("take").toStdString();
        w_->saveDialog.answer = SaveFileDialog::Choice{target.string(), 2};
        button(1013)->click();
        QVERIFY(bytesOf(target.string() + ".wav") == bytesOf(take()));
        QVERIFY(w_->messages.shown.empty());
    }
};

QTEST_MAIN(RecorderDialogTest)
#include "RecorderDialogTest.moc"
