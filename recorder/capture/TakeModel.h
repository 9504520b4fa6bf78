// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TakeMarks.h"

#include <cstdint>
#include <optional>

// What the recorder window shows of the take and what it may do next: the
// mode, the start and end marks, the position (whole seconds) and the page of
// the waveform it falls on, and the last cut while it can be undone. The window
// renders it and never reads its widgets back; each action below is one the
// window offers, and does nothing in a mode where the window does not offer it.
class TakeModel {
public:
    enum class Mode { Idle, Recording, Stopping, Playing, Cutting, Saving };
    enum class MarkResult { Accepted, Reversed };
    // A page of the waveform is this long.
    static constexpr std::uint32_t kPageSeconds = 30;

    struct PlayRange {
        unsigned fromMs;
        unsigned toMs;
    };

    explicit TakeModel(std::uint32_t bytesPerSecond) : bytesPerSecond_(bytesPerSecond) {}

    Mode mode() const;
    bool hasTake() const { return hasTake_; }
    const TakeMarks &marks() const { return marks_; }
    int position() const { return position_; }
    int positionMax() const { return positionMax_; }
    // Bytes of one page once a take has turned one (0: the take is one page).
    std::uint32_t pageBytes() const { return pageBytes_; }
    std::optional<double> cursorSeconds() const { return cursor_; }

    // What the window's controls show.
    bool recordShowsStop() const { return base_ == Mode::Recording; }
    bool recordEnabled() const;
    bool playShowsStop() const { return base_ == Mode::Playing; }
    // Play, Start, End, Cut, Save and the position bar.
    bool editingEnabled() const;
    bool windowEnabled() const { return work_ != Mode::Cutting; }

    // Record: a new take begins, with no marks, at position 0.
    void startRecording();
    // The take could not start; keptBytes: the earlier take still there (0: none).
    void recordingRefused(std::uint32_t keptBytes);
    // Stop, or the device went away: the rest of the take is on its way.
    void stopRecording();
    void recordingEnded();
    // During a take: the audio written so far, and a page turned at a multiple of 30 s.
    void recorded(double seconds);
    void turnPage(int pageCount, std::uint32_t pageBytes);
    // A take found on disk (an earlier run's, or the one a refused Record left).
    void showTake(std::uint32_t dataBytes);

    // Play: the range to play of a take lengthMs long. The end, when not
    // held, becomes the take's length (without being set); a position outside
    // the range starts at the start mark.
    std::optional<PlayRange> startPlaying(unsigned lengthMs);
    void stopPlaying();
    void playedOut();
    void playingAt(unsigned ms);
    // The position bar was moved: playback stops, and Record stays disabled
    // until the next Play ends.
    void scrolledTo(int seconds);
    // The position bar's value, however it was set.
    void setPosition(int seconds);
    void showCursorAt(int seconds);

    MarkResult setStart();
    MarkResult setEnd();

    bool canCut() const { return marks_.startSet || marks_.endSet; }
    bool beginCut();
    void cutFailed();
    // undoKept: the take as it was stays on disk, so the cut can be undone.
    void cutDone(std::uint32_t keptBytes, bool undoKept);
    bool canUndoCut() const { return undo_.has_value() && mode() == Mode::Idle; }
    // Back to what the take showed before the last cut: marks, position, pages.
    void undoCut();
    void forgetUndo() { undo_.reset(); }

    bool beginSave();
    void saveEnded();

    // Page arithmetic: the page that holds a second, where it starts in the
    // take's data, and where it ends in a take of dataBytes.
    static unsigned pageOf(int seconds);
    std::uint32_t pageStartBytes(int seconds) const;
    std::uint32_t pageEndBytes(int seconds, std::uint32_t dataBytes) const;

private:
    // What a cut changes of what the window shows.
    struct Shown {
        TakeMarks marks;
        int position;
        int positionMax;
        std::uint32_t pageBytes;
    };

    void setPositionMax(int seconds);

    std::uint32_t bytesPerSecond_;
    // Recording, stopping and playing go on while a cut or a save runs.
    Mode base_ = Mode::Idle;
    Mode work_ = Mode::Idle;
    bool hasTake_ = false;
    bool recordHeld_ = false;
    TakeMarks marks_;
    int position_ = 0;
    int positionMax_ = 0;
    std::uint32_t pageBytes_ = 0;
    std::optional<double> cursor_;
    std::optional<Shown> beforeCut_;
    std::optional<Shown> undo_;
};
