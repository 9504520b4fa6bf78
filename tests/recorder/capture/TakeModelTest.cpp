// SPDX-License-Identifier: GPL-3.0-or-later
#include "TakeModel.h"

#include <gtest/gtest.h>

namespace {

using Mode = TakeModel::Mode;
constexpr std::uint32_t kPerSecond = 176400;

class TakeModelTest : public ::testing::Test {
protected:
    // A take of this many seconds, recorded and stopped.
    void record(double seconds)
    {
        model.startRecording();
        model.recorded(seconds);
        model.stopRecording();
        model.recordingEnded();
    }
    void moveTo(int seconds) { model.setPosition(seconds); }
    void mark(int start, int end)
    {
        moveTo(start);
        ASSERT_EQ(model.setStart(), TakeModel::MarkResult::Accepted);
        moveTo(end);
        ASSERT_EQ(model.setEnd(), TakeModel::MarkResult::Accepted);
    }

    TakeModel model{kPerSecond};
};

TEST_F(TakeModelTest, ARecordRunsFromRecordThroughStoppingToATakeReadyToEdit)
{
    EXPECT_EQ(model.mode(), Mode::Idle);
    EXPECT_TRUE(model.recordEnabled());
    EXPECT_FALSE(model.editingEnabled());

    model.startRecording();
    EXPECT_EQ(model.mode(), Mode::Recording);
    EXPECT_TRUE(model.recordShowsStop() && model.recordEnabled());
    EXPECT_FALSE(model.editingEnabled());
    model.recorded(12.4);
    EXPECT_EQ(model.positionMax(), 12);

    model.stopRecording();
    EXPECT_EQ(model.mode(), Mode::Stopping);
    EXPECT_FALSE(model.recordShowsStop());
    EXPECT_FALSE(model.recordEnabled()) << "until the rest of the take has arrived";
    model.recordingEnded();
    EXPECT_EQ(model.mode(), Mode::Idle);
    EXPECT_TRUE(model.recordEnabled() && model.editingEnabled());
    EXPECT_EQ(model.positionMax(), 12);
}

TEST_F(TakeModelTest, ARefusedRecordShowsTheTakeThatIsStillThereOrNone)
{
    record(3);
    model.startRecording();
    model.recordingRefused(35 * kPerSecond);
    EXPECT_EQ(model.mode(), Mode::Idle);
    EXPECT_TRUE(model.editingEnabled());
    EXPECT_EQ(model.positionMax(), 35);
    EXPECT_EQ(model.pageBytes(), 30 * kPerSecond);

    model.startRecording();
    model.recordingRefused(0);
    EXPECT_FALSE(model.editingEnabled());
    EXPECT_TRUE(model.recordEnabled());
}

TEST_F(TakeModelTest, PlayStartsInsideTheMarksOrAtTheStartMark)
{
    record(13);
    mark(5, 12);
    struct Case {
        int at;
        unsigned from;
        int position;
    };
    for (const Case &c : {Case{7, 7000, 7}, Case{2, 5000, 5}, Case{12, 5000, 5}}) {
        moveTo(c.at);
        const auto range = model.startPlaying(13000);
        ASSERT_TRUE(range);
        EXPECT_EQ(range->fromMs, c.from) << c.at;
        EXPECT_EQ(range->toMs, 12000u);
        EXPECT_EQ(model.position(), c.position);
        EXPECT_EQ(model.mode(), Mode::Playing);
        EXPECT_TRUE(model.playShowsStop());
        EXPECT_FALSE(model.recordEnabled());
        EXPECT_TRUE(model.editingEnabled());
        model.stopPlaying();
        EXPECT_TRUE(model.recordEnabled());
    }
}

TEST_F(TakeModelTest, TheFirstPlayHoldsTheEndWithoutSettingItAndPlayingOutGoesBackToTheStart)
{
    record(3);
    const auto range = model.startPlaying(3000);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->toMs, 3000u);
    EXPECT_EQ(model.marks().endMs, 3000u);
    EXPECT_FALSE(model.marks().endSet);
    model.playingAt(2300);
    EXPECT_EQ(model.position(), 2);
    EXPECT_EQ(model.cursorSeconds(), 2.3);
    model.playedOut();
    EXPECT_EQ(model.mode(), Mode::Idle);
    EXPECT_EQ(model.position(), 0);
    EXPECT_FALSE(model.cursorSeconds());
    EXPECT_TRUE(model.recordEnabled());
    EXPECT_FALSE(model.startPlaying(0)) << "an empty take does not play";
}

TEST_F(TakeModelTest, MovingThePositionStopsPlaybackAndRecordWaitsForTheNextPlayToEnd)
{
    record(5);
    model.scrolledTo(2); // not playing: nothing else changes
    EXPECT_TRUE(model.recordEnabled());
    ASSERT_TRUE(model.startPlaying(5000));
    model.scrolledTo(3);
    EXPECT_EQ(model.mode(), Mode::Idle);
    EXPECT_EQ(model.position(), 3);
    EXPECT_FALSE(model.recordEnabled());
    model.startRecording();
    EXPECT_EQ(model.mode(), Mode::Idle) << "Record is not offered";
    ASSERT_TRUE(model.startPlaying(5000));
    model.stopPlaying();
    EXPECT_TRUE(model.recordEnabled());
}

TEST_F(TakeModelTest, MarksInTheWrongOrderAreRefusedAndTheSameSecondIsAccepted)
{
    record(10);
    moveTo(5);
    EXPECT_EQ(model.setEnd(), TakeModel::MarkResult::Accepted);
    moveTo(8);
    EXPECT_EQ(model.setStart(), TakeModel::MarkResult::Reversed);
    EXPECT_FALSE(model.marks().startSet);
    moveTo(5);
    EXPECT_EQ(model.setStart(), TakeModel::MarkResult::Accepted);
    moveTo(3);
    EXPECT_EQ(model.setEnd(), TakeModel::MarkResult::Reversed);
    EXPECT_EQ(model.marks(), (TakeMarks{true, true, 5000, 5000}));
    moveTo(99);
    EXPECT_EQ(model.position(), 10) << "held to the take";
}

TEST_F(TakeModelTest, ACutNeedsAMarkHoldsTheWindowAndKeepsTheMarksWhenItFails)
{
    record(6);
    EXPECT_FALSE(model.beginCut());
    mark(2, 5);
    ASSERT_TRUE(model.beginCut());
    EXPECT_EQ(model.mode(), Mode::Cutting);
    EXPECT_FALSE(model.windowEnabled());
    EXPECT_FALSE(model.beginSave());
    model.cutFailed();
    EXPECT_EQ(model.mode(), Mode::Idle);
    EXPECT_TRUE(model.windowEnabled());
    EXPECT_EQ(model.marks(), (TakeMarks{true, true, 2000, 5000}));

    ASSERT_TRUE(model.beginCut());
    model.cutDone(3 * kPerSecond, false);
    EXPECT_EQ(model.marks(), TakeMarks{});
    EXPECT_EQ(model.position(), 0);
    EXPECT_EQ(model.positionMax(), 3);
    EXPECT_FALSE(model.canUndoCut()) << "nothing was kept to undo it with";
}

TEST_F(TakeModelTest, UndoShowsTheTakeAsItWasBeforeTheLastCutUntilTheNextRecord)
{
    record(40);
    model.startRecording();
    model.turnPage(2, 30 * kPerSecond);
    model.stopRecording();
    model.recordingEnded();
    mark(31, 35);
    ASSERT_TRUE(model.beginCut());
    model.cutDone(4 * kPerSecond, true);
    moveTo(2);
    ASSERT_TRUE(model.canUndoCut());
    ASSERT_TRUE(model.startPlaying(4000));
    EXPECT_FALSE(model.canUndoCut()) << "not while playing";
    model.stopPlaying();

    // A failed cut leaves the undo of the last one.
    model.setStart();
    ASSERT_TRUE(model.beginCut());
    model.cutFailed();
    model.undoCut();
    EXPECT_EQ(model.marks(), (TakeMarks{true, true, 31000, 35000}));
    EXPECT_EQ(model.position(), 35);
    EXPECT_EQ(model.positionMax(), 60);
    EXPECT_EQ(model.pageBytes(), 30 * kPerSecond);
    EXPECT_FALSE(model.canUndoCut()) << "once";

    ASSERT_TRUE(model.beginCut());
    model.cutDone(4 * kPerSecond, true);
    model.startRecording();
    EXPECT_FALSE(model.canUndoCut());
    model.recordingRefused(4 * kPerSecond);
    EXPECT_TRUE(model.canUndoCut()) << "a take that never started replaced nothing";
    model.startRecording();
    model.stopRecording();
    model.recordingEnded();
    EXPECT_FALSE(model.canUndoCut());
}

TEST_F(TakeModelTest, PlaybackGoesOnThroughACutOrASaveAndMayEndMeanwhile)
{
    record(6);
    moveTo(2);
    model.setStart();
    ASSERT_TRUE(model.startPlaying(6000));
    ASSERT_TRUE(model.beginCut());
    model.cutFailed(); // the playing take is in use
    EXPECT_EQ(model.mode(), Mode::Playing);

    ASSERT_TRUE(model.beginSave());
    EXPECT_EQ(model.mode(), Mode::Saving);
    EXPECT_TRUE(model.windowEnabled());
    model.playedOut();
    model.saveEnded();
    EXPECT_EQ(model.mode(), Mode::Idle);
    EXPECT_TRUE(model.recordEnabled());
}

TEST_F(TakeModelTest, PagesAreThirtySecondsOnceATakeHasTurnedOne)
{
    model.showTake(20 * kPerSecond);
    EXPECT_EQ(model.pageBytes(), 0u) << "a take shorter than a page is one page";
    EXPECT_EQ(model.pageEndBytes(15, 20 * kPerSecond), 20 * kPerSecond);

    model.startRecording();
    model.turnPage(1, 0);
    EXPECT_EQ(model.positionMax(), 30);
    model.turnPage(2, 30 * kPerSecond);
    EXPECT_EQ(model.positionMax(), 60);
    model.stopRecording();
    model.recordingEnded();
    const std::uint32_t data = 65 * kPerSecond;
    EXPECT_EQ(TakeModel::pageOf(29), 0u);
    EXPECT_EQ(TakeModel::pageOf(30), 1u);
    EXPECT_EQ(model.pageStartBytes(31), 30 * kPerSecond);
    EXPECT_EQ(model.pageEndBytes(31, data), 60 * kPerSecond);
    EXPECT_EQ(model.pageEndBytes(64, data), data);
}

} // namespace
