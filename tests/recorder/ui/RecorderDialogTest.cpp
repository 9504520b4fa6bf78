// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMixerSet2Dlg.h"
#include "FakeAudioCapture.h"
#include "FakeAudioDeviceNames.h"
#include "FakePlayer.h"
#include "InputLevelWidget.h"
#include "Pcm.h"
#include "RecordingMessageBoxes.h"
#include "SaveFileDialog.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
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
class AnsweringSaveDialog : public SaveFileDialog {
public:
    std::optional<Choice> askSavePath(const std::string &,
                                      const std::vector<std::string> &) override
    {
        return answer;
    }
    std::optional<Choice> answer;
};

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
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<FakeAudioCapture> capture_;
    std::unique_ptr<FakePlayer> player_;
    std::unique_ptr<FakeAudioDeviceNames> devices_;
    std::unique_ptr<RecordingMessageBoxes> messages_;
    std::unique_ptr<AnsweringSaveDialog> saveDialog_;
    std::unique_ptr<CMixerSet2Dlg> dialog_;

    QPushButton *button(int id) { return dialog_->findChild<QPushButton *>(QString::number(id)); }
    QString text(int id)
    {
        if (auto *b = button(id))
            return b->text();
        return dialog_->findChild<QLabel *>(QString::number(id))->text();
    }
    QScrollBar *scroll() { return dialog_->findChild<QScrollBar *>("1014"); }
    QAction *meterAction() { return dialog_->findChild<QAction *>("inputMeter"); }
    std::string take() { return dialog_->bufferFile().bufferPath().string(); }

    // Records `seconds` of a quiet tone through the fake device, block by block.
    void recordTake(double seconds)
    {
        button(1003)->click();
        QCOMPARE(text(1003), QString("Stop"));
        const auto bytes = std::size_t(seconds * 176400) / 4 * 4;
        std::vector<std::uint8_t> block(8820);
        for (std::size_t i = 0; i < block.size(); i += 2)
            block[i + 1] = (i / 2) % 40 < 20 ? 0x10 : 0xf0;
        for (std::size_t done = 0; done < bytes; done += block.size()) {
            capture_->capture(std::span(block).first(std::min(block.size(), bytes - done)));
            capture_->deliver();
        }
        button(1003)->click();
        capture_->deliver();
        QCOMPARE(text(1003), QString("Record"));
        player_->lengths[take()] = unsigned(seconds * 1000);
    }

    // Starts a take and records one second of it; the take goes on.
    void recordOneSecondWithoutStopping()
    {
        button(1003)->click();
        const std::vector<std::uint8_t> second(176400, 0x20);
        for (std::size_t done = 0; done < second.size(); done += 8820) {
            capture_->capture(std::span(second).subspan(done, 8820));
            capture_->deliver();
        }
    }

    void makeDialog()
    {
        const RecorderServices services{
            *capture_,        *player_, *devices_, *messages_, folder_->path().toStdString(),
            saveDialog_.get()};
        dialog_ = std::make_unique<CMixerSet2Dlg>(services, 100, 50);
        dialog_->show();
    }

    bool asked(const std::string &text)
    {
        for (const auto &shown : messages_->shown)
            if (shown.text == text)
                return true;
        return false;
    }

private slots:
    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        capture_ = std::make_unique<FakeAudioCapture>();
        player_ = std::make_unique<FakePlayer>();
        devices_ = std::make_unique<FakeAudioDeviceNames>();
        devices_->outputNames = {"Speakers (VEK ZR-4)", "Built-in Audio", "VEK ZR-4 Digital"};
        devices_->inputNames = {"VEK ZR-4", "Webcam Microphone"};
        messages_ = std::make_unique<RecordingMessageBoxes>();
        saveDialog_ = std::make_unique<AnsweringSaveDialog>();
        makeDialog();
    }

    void cleanup()
    {
        dialog_.reset();
        folder_.reset();
    }

    void startsWithNothingToEditAndTheProductsDevicesListed()
    {
        QCOMPARE(dialog_->objectName(), QString("102"));
        QCOMPARE(dialog_->pos(), QPoint(102, 50));
        QVERIFY(dialog_->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY((dialog_->windowFlags() & Qt::Tool) == Qt::Tool);
        QVERIFY(button(1003)->isEnabled());
        for (int id : {1006, 1015, 1016, 1017, 1013})
            QVERIFY2(!button(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!scroll()->isVisible());
        for (int id : {1009, 1033, 1004, 1005, 1036, 1018, 1, 2})
            QVERIFY(!dialog_->findChild<QWidget *>(QString::number(id))->isVisible());
        QCOMPARE(text(1012), QString("Play Time"));
        QCOMPARE(text(1010), QString("Record Time"));
        // Buttons 60 × 25 in a row, 10 pixels apart, to the right of Play.
        const QRect play = button(1006)->geometry();
        QCOMPARE(play.size(), QSize(60, 25));
        QCOMPARE(button(1015)->geometry(), play.translated(70, 0));
        QCOMPARE(button(1013)->geometry(), play.translated(280, 0));
        QCOMPARE(button(1003)->size(), QSize(60, 25));
        // The waveform areas and the bar below them follow the hidden placeholder.
        const QRect placeholder = dialog_->findChild<QWidget *>("1009")->geometry();
        QCOMPARE(scroll()->geometry(),
                 QRect(placeholder.left(), placeholder.top() + 2 * placeholder.height() + 10,
                       placeholder.width(), 17));
        QCOMPARE(dialog_->width(), placeholder.right() + 1 + 10);

        auto *outputs = dialog_->findChild<QComboBox *>("1007");
        auto *inputs = dialog_->findChild<QComboBox *>("1008");
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
        QVERIFY(messages_->shown.empty());
        QVERIFY(scroll()->isVisible());
        QVERIFY(button(1006)->isEnabled());
        QCOMPARE(dialog_->bufferFile().dataBytes(), 176400u);
        QCOMPARE(text(1010).left(4), QString("Rec:"));

        const auto before = bytesOf(take());
        messages_->answer = false;
        button(1003)->click();
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QCOMPARE(messages_->shown[0].text,
                 std::string("Are you sure to record? If so, recorded data will lose!"));
        QCOMPARE(messages_->shown[0].caption, std::string("NOTIFY"));
        QVERIFY(messages_->shown[0].question);
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(bytesOf(take()) == before);

        messages_->answer = true;
        recordTake(0.5);
        QCOMPARE(messages_->shown.size(), std::size_t(2));
        QCOMPARE(dialog_->bufferFile().dataBytes(), 88200u);
    }

    void playBeforeAnyTakeAsksForOne()
    {
        button(1006)->setEnabled(true); // as after a take whose file has gone
        button(1006)->click();
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QCOMPARE(messages_->shown[0].text, std::string("Please record first!"));
        QCOMPARE(messages_->shown[0].caption, std::string("NOTIFY"));
        QCOMPARE(text(1006), QString("Play"));
        QVERIFY(!dialog_->playbackTimerRunning());
    }

    void playStartsInsideTheRangeOrAtItsStart()
    {
        recordTake(13.0);
        scroll()->setValue(5);
        button(1015)->click();
        scroll()->setValue(12);
        button(1016)->click();
        QCOMPARE(dialog_->startPosition(), 5000u);
        QCOMPARE(dialog_->endPosition(), 12000u);

        struct Case {
            int at;
            const char *command;
            int thumb;
        };
        for (const Case &c :
             {Case{7, "play from 7000 to 12000", 7}, Case{2, "play from 5000 to 12000", 5},
              Case{12, "play from 5000 to 12000", 5}}) {
            scroll()->setValue(c.at);
            player_->commands.clear();
            button(1006)->click();
            QCOMPARE(player_->commands.back(), std::string(c.command));
            QCOMPARE(scroll()->value(), c.thumb);
            QCOMPARE(text(1006), QString("Stop"));
            QVERIFY(!button(1003)->isEnabled());
            QVERIFY(dialog_->playbackTimerRunning());
            button(1006)->click();
            QCOMPARE(text(1006), QString("Play"));
            QVERIFY(button(1003)->isEnabled());
            QVERIFY(!dialog_->playbackTimerRunning());
            QCOMPARE(player_->commands[player_->commands.size() - 2], std::string("stop"));
            QCOMPARE(player_->commands.back(), std::string("close"));
        }
        QCOMPARE(player_->lastFile, take());
    }

    void theFirstPlayFillsTheEndWithoutSettingIt()
    {
        recordTake(3.0);
        button(1006)->click();
        QCOMPARE(player_->commands.back(), std::string("play from 0 to 3000"));
        QCOMPARE(dialog_->endPosition(), 3000u);
        QVERIFY(!dialog_->endIsSet());
    }

    void theTickFollowsPlaybackAndEndsWithPlayOver()
    {
        recordTake(9.0);
        button(1006)->click();
        player_->positionMs = 7300;
        dialog_->playbackTick();
        QCOMPARE(text(1012), QString("Play:7.3s"));
        QCOMPARE(scroll()->value(), 7);
        QVERIFY(dialog_->playbackTimerRunning());

        player_->playing = false;
        dialog_->playbackTick();
        QCOMPARE(text(1012), QString("Play Over"));
        QCOMPARE(scroll()->value(), 0);
        QCOMPARE(text(1006), QString("Play"));
        QVERIFY(button(1003)->isEnabled());
        QVERIFY(!dialog_->playbackTimerRunning());
        QCOMPARE(player_->commands.back(), std::string("close")); // the take is free again
    }

    void theTimerDrivesTheTickEvery100Ms()
    {
        recordTake(2.0);
        button(1006)->click();
        player_->playing = false;
        QTRY_COMPARE_WITH_TIMEOUT(text(1012), QString("Play Over"), 1000);
    }

    void reversedPositionsAreRefused()
    {
        recordTake(10.0);
        scroll()->setValue(5);
        button(1016)->click();
        scroll()->setValue(8);
        button(1015)->click();
        QVERIFY(!dialog_->startIsSet());
        QCOMPARE(dialog_->startPosition(), 0u);
        QCOMPARE(messages_->shown.back().text,
                 std::string("The start position and end position is reversed!"));
        QCOMPARE(messages_->shown.back().caption, std::string("NOTIFY"));

        scroll()->setValue(5);
        button(1015)->click(); // the same second is accepted
        QVERIFY(dialog_->startIsSet());
        scroll()->setValue(3);
        button(1016)->click();
        QCOMPARE(dialog_->endPosition(), 5000u);
        QCOMPARE(messages_->shown.size(), std::size_t(2));
    }

    void cutWithNothingSetAsksNothingAndOtherwiseKeepsTheRange()
    {
        recordTake(6.0);
        const auto before = bytesOf(take());
        button(1017)->click();
        QVERIFY(messages_->shown.empty());
        QVERIFY(bytesOf(take()) == before);

        scroll()->setValue(2);
        button(1015)->click();
        scroll()->setValue(5);
        button(1016)->click();
        messages_->answer = false;
        button(1017)->click();
        QCOMPARE(messages_->shown.back().caption, std::string("Tip"));
        QCOMPARE(
            messages_->shown.back().text,
            std::string(
                " the head and tail data will be discarded, unrecoverable. Are you sure you cut?"));
        QVERIFY(bytesOf(take()) == before);

        messages_->answer = true;
        button(1017)->click();
        QTRY_VERIFY(!dialog_->cutRunning());
        QCOMPARE(dialog_->bufferFile().dataBytes(), 3u * 176400);
        QVERIFY(!dialog_->startIsSet() && !dialog_->endIsSet());
        QCOMPARE(dialog_->startPosition() + dialog_->endPosition(), 0u);
        QCOMPARE(scroll()->maximum(), 3);
        QCOMPARE(scroll()->value(), 0);
        QCOMPARE(text(1012), QString("Play:0.0s"));
    }

    void scrollingStopsPlaybackButLeavesRecordDisabled()
    {
        recordTake(5.0);
        button(1006)->click();
        player_->commands.clear();
        scroll()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(player_->commands, (std::vector<std::string>{"stop", "close"}));
        QCOMPARE(text(1006), QString("Play"));
        QVERIFY(!dialog_->playbackTimerRunning());
        QVERIFY(!button(1003)->isEnabled());
        QCOMPARE(text(1012), QString("Play:1.0s"));
    }

    void aTakeInUseOrABusyDeviceLeavesNothingRecording()
    {
        recordTake(1.0);
        const int fd = ::open(take().c_str(), O_RDONLY);
        QVERIFY(flock(fd, LOCK_SH) == 0); // as while the take plays
        button(1003)->click();
        QCOMPARE(messages_->shown.back().text,
                 std::string("The recorded file is used, please close the recorded file!"));
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(!capture_->isStarted());
        QVERIFY(button(1006)->isEnabled());
        ::close(fd);

        // Without the meter the device opens at Record, and may be busy then.
        meterAction()->setChecked(false);
        capture_->deliver();
        capture_->setDeviceBusy(true);
        const auto earlier = bytesOf(take());
        button(1003)->click();
        QCOMPARE(messages_->shown.back().text,
                 std::string("Recorded device is used, please close other record program!"));
        QCOMPARE(text(1003), QString("Record"));
        // Nothing was recorded, so the last take is still the take, shown
        // and ready to play.
        QVERIFY(bytesOf(take()) == earlier);
        QCOMPARE(le32(earlier, 42), 176400u);
        QVERIFY(button(1006)->isEnabled());
        QVERIFY(scroll()->isVisible());
        QCOMPARE(dialog_->bufferFile().dataBytes(), 176400u);
    }

    void aDeviceThatVanishesMidTakeLeavesTheTakeSoFarAndSaysSo()
    {
        recordOneSecondWithoutStopping();
        capture_->loseDevice();
        capture_->deliver();
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(button(1003)->isEnabled());
        QVERIFY(button(1006)->isEnabled());
        QCOMPARE(dialog_->bufferFile().dataBytes(), 176400u);
        QCOMPARE(std::filesystem::file_size(take()), std::uintmax_t(46 + 176400));
        QCOMPARE(messages_->shown.back().text,
                 std::string("The recording device was removed; the take so far is kept."));
    }

    void theHostsCardGoingAwayEndsTheTakeTheSameWay()
    {
        dialog_->deviceRemoved(); // no take: nothing to end
        QVERIFY(messages_->shown.empty());
        recordOneSecondWithoutStopping();
        dialog_->deviceRemoved();
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(!button(1003)->isEnabled()); // until the device has handed over the rest
        capture_->deliver();
        QVERIFY(button(1003)->isEnabled());
        QCOMPARE(dialog_->bufferFile().dataBytes(), 176400u);
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QCOMPARE(messages_->shown.back().text,
                 std::string("The recording device was removed; the take so far is kept."));
    }

    void aTakeLeftByAnEarlierRunIsThereToPlayAndAsksBeforeItIsReplaced()
    {
        recordTake(35.0);
        dialog_.reset();
        // The run was killed: its header counts only part of the take.
        const std::string path = (folder_->path() + "/NUVRecord.wav").toStdString();
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(42);
        file.write("\0\0\0\0", 4);
        file.close();
        makeDialog();
        QCOMPARE(dialog_->bufferFile().dataBytes(), 35u * 176400);
        QCOMPARE(le32(bytesOf(path), 42), 35u * 176400);
        QVERIFY(button(1006)->isEnabled());
        QVERIFY(scroll()->isVisible());
        QCOMPARE(scroll()->maximum(), 35);
        QCOMPARE(dialog_->waveform().pageBytes(), 30u * 176400);
        QCOMPARE(dialog_->waveform().drawnBytes(), 30u * 176400);
        messages_->answer = false;
        button(1003)->click();
        QCOMPARE(messages_->shown.back().text,
                 std::string("Are you sure to record? If so, recorded data will lose!"));
        QCOMPARE(le32(bytesOf(path), 42), 35u * 176400);
    }

    void theWaveformIsDrawnWhileRecording()
    {
        recordTake(2.0);
        const QImage &left = dialog_->waveform().leftPicture();
        int traced = 0;
        for (int y = 0; y < left.height(); ++y)
            traced += left.pixel(10, y) != 0xffc0c0c0;
        QVERIFY(traced > 0);
        const QImage shot = dialog_->grab().toImage();
        const QRect placeholder = dialog_->findChild<QWidget *>("1009")->geometry();
        QCOMPARE(shot.pixel(placeholder.topLeft() + QPoint(0, 0)), left.pixel(0, 0));
    }

    void aLongTakeShowsThePageThatHoldsThePosition()
    {
        recordTake(35.0);
        const unsigned page = dialog_->waveform().pageBytes();
        QCOMPARE(page, 30u * 176400);
        QCOMPARE(scroll()->maximum(), 34);
        const unsigned data = dialog_->bufferFile().dataBytes();

        scroll()->setValue(33);
        scroll()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(text(1012), QString("Play:32.0s"));
        QCOMPARE(dialog_->waveform().drawnBytes(), data); // the second page, to the take's end

        scroll()->setValue(4);
        scroll()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(dialog_->waveform().drawnBytes(), page); // the first page

        // Playback moving into the second page redraws it once.
        button(1006)->click();
        player_->positionMs = 31000;
        dialog_->playbackTick();
        QCOMPARE(dialog_->waveform().drawnBytes(), data);
        QCOMPARE(scroll()->value(), 31);
    }

    void theInputMeterSitsBesideRecordAndReadsTheSourcesPeak()
    {
        auto *meter = dialog_->findChild<QWidget *>("inputLevel");
        QVERIFY(meter && meter->isVisible());
        QVERIFY2(capture_->isOpen(), "the meter's stream is open while the window shows");
        QVERIFY(!capture_->isStarted());
        // Beside Record, inside the window, over no other control.
        QVERIFY(meter->geometry().left() > button(1003)->geometry().right());
        QVERIFY(dialog_->rect().contains(meter->geometry()));
        for (QWidget *other : dialog_->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (other != meter && other->isVisible())
                QVERIFY2(!other->geometry().intersects(meter->geometry()),
                         qPrintable(other->objectName()));

        QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(meter);
        QVERIFY(reader && reader->valueInterface());
        capture_->capture(Pcm::sine(0.05, 1000.0, 44100, 0.5));
        capture_->deliver();
        QCOMPARE(reader->text(QAccessible::Value), QString("-6.0"));
        QVERIFY(std::abs(reader->valueInterface()->currentValue().toDouble() + 6.02) < 0.01);
        capture_->capture(std::vector<std::uint8_t>(8820, 0));
        capture_->deliver();
        QCOMPARE(reader->text(QAccessible::Value), QString("-inf"));

        const std::vector<std::uint8_t> fullScale = {0xff, 0x7f, 0xff, 0x7f};
        capture_->capture(fullScale);
        capture_->deliver();
        QVERIFY(dialog_->meter().clipped(0) && dialog_->meter().clipped(1));
        capture_->capture(std::vector<std::uint8_t>(8820, 0));
        capture_->deliver();
        QVERIFY2(dialog_->meter().clipped(0), "lit until clicked");
        QTest::mouseClick(meter, Qt::LeftButton);
        QVERIFY(!dialog_->meter().clipped(0) && !dialog_->meter().clipped(1));
    }

    void turningTheMeterOffClosesItsStreamAndTheChoiceIsKept()
    {
        meterAction()->setChecked(false);
        capture_->deliver();
        QVERIFY(!capture_->isOpen());
        QVERIFY(!dialog_->findChild<QWidget *>("inputLevel")->isVisible());
        std::ifstream setting(folder_->filePath("setting.ini").toStdString());
        const std::string kept{std::istreambuf_iterator<char>(setting), {}};
        QVERIFY(kept.find("InputMeter=0") != std::string::npos);

        dialog_.reset();
        makeDialog();
        QVERIFY(!meterAction()->isChecked());
        QVERIFY(!capture_->isOpen());
        recordTake(0.5); // opened at Record, closed with the take
        QVERIFY(!capture_->isOpen());
        meterAction()->setChecked(true);
        QVERIFY(capture_->isOpen());
    }

    void hidingTheWindowClosesTheStreamAndShowingOpensIt()
    {
        QVERIFY(capture_->isOpen());
        dialog_->hide();
        capture_->deliver();
        QVERIFY(!capture_->isOpen());
        dialog_->show();
        QVERIFY(capture_->isOpen());
    }

    void aSourceThatVanishesShowsNoInputAndRecordSaysItWasRemoved()
    {
        capture_->loseDevice();
        capture_->deliver();
        QVERIFY(!dialog_->meter().hasInput());
        auto *meter = dialog_->findChild<QWidget *>("inputLevel");
        QCOMPARE(QAccessible::queryAccessibleInterface(meter)->text(QAccessible::Description),
                 QString("no input"));
        QVERIFY(messages_->shown.empty());
        button(1003)->click();
        QCOMPARE(messages_->shown.back().text,
                 std::string("The recording device was removed; the take so far is kept."));
        QCOMPARE(text(1003), QString("Record"));
        QVERIFY(!capture_->isStarted());
        QVERIFY(!std::filesystem::exists(take()));
        QVERIFY2(dialog_->meter().hasInput(), "the source there is now is heard again");
    }

    void ctrlZUndoesTheLastCutWithItsMarksAndPageUntilTheNextRecord()
    {
        recordTake(35.0);
        const auto before = bytesOf(take());
        QAction *undo = dialog_->findChild<QAction *>("undoCut");
        QVERIFY(undo && !undo->isEnabled());
        scroll()->setValue(2);
        button(1015)->click();
        scroll()->setValue(33);
        button(1016)->click();
        button(1017)->click();
        QTRY_VERIFY(!dialog_->cutRunning());
        QCOMPARE(scroll()->maximum(), 31);
        QVERIFY(undo->isEnabled());

        QTest::keyClick(dialog_.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(bytesOf(take()) == before);
        QCOMPARE(dialog_->bufferFile().dataBytes(), 35u * 176400);
        QCOMPARE(dialog_->startPosition(), 2000u);
        QCOMPARE(dialog_->endPosition(), 33000u);
        QVERIFY(dialog_->startIsSet() && dialog_->endIsSet());
        QCOMPARE(scroll()->maximum(), 34);
        QCOMPARE(scroll()->value(), 33);
        // The page that holds the position.
        QCOMPARE(dialog_->waveform().drawnBytes(), dialog_->bufferFile().dataBytes());
        QVERIFY(!undo->isEnabled());

        button(1017)->click();
        QTRY_VERIFY(!dialog_->cutRunning());
        QVERIFY(undo->isEnabled());
        recordTake(0.5);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!dialog_->bufferFile().hasUndo());
    }

    void saveWritesTheChosenFileBehindTheProgressWindow()
    {
        recordTake(1.0);
        const std::filesystem::path target = folder_->filePath("take").toStdString();
        saveDialog_->answer = SaveFileDialog::Choice{target.string(), 2};
        button(1013)->click();
        QVERIFY(bytesOf(target.string() + ".wav") == bytesOf(take()));
        QVERIFY(messages_->shown.empty());
    }
};

QTEST_MAIN(RecorderDialogTest)
#include "RecorderDialogTest.moc"
