// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BufferFile.h"
#include "CaptureStream.h"
#include "CaptureView.h"
#include "InputMeter.h"
#include "RecorderAccessibility.h"
#include "RecorderServices.h"
#include "TakeAnnouncer.h"
#include "TakeModel.h"
#include "WaveformView.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <optional>
#include <string>
#include <thread>

class InputLevelWidget;
class PositionBar;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class WaveformWidget;

// The recorder window: records a take into the buffer file, shows both
// channels, plays the take back with a moving position, sets start and end
// positions, cuts the take to them and saves it.
class CMixerSet2Dlg : public QDialog, private CaptureView {
    Q_OBJECT
public:
    static constexpr int kPlaybackTimerMs = 100;

    // x, y: where the host wants the window (its left edge goes 2 pixels right
    // of x). The window's size follows from its own layout.
    CMixerSet2Dlg(const RecorderServices &services, int x, int y);
    ~CMixerSet2Dlg() override;

    // Moves the window so that its left edge is at x + 2 and its top at y.
    void dock(int x, int y);
    // Fills the two device lists with the product's playback and recording devices.
    void refillDeviceLists();
    // The host's card went away: a take that runs ends as Stop ends it, is
    // kept, and the user is told.
    void deviceRemoved();

    const WaveformView &waveform() const { return view_; }
    const BufferFile &bufferFile() const { return file_; }
    const TakeModel &model() const { return model_; }
    const InputMeter &meter() const { return meter_; }
    unsigned startPosition() const { return model_.marks().startMs; }
    unsigned endPosition() const { return model_.marks().endMs; }
    bool startIsSet() const { return model_.marks().startSet; }
    bool endIsSet() const { return model_.marks().endSet; }
    bool playbackTimerRunning() const { return timer_.isActive(); }
    // A cut copies the kept audio on a thread of its own; the window waits, disabled.
    bool cutRunning() const { return cutWorker_.joinable(); }
    // Runs one playback tick at once (what the 100 ms timer does).
    void playbackTick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    // Tab goes on into the panel the window is docked to.
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void nameControls();
    void buildMeter();
    std::filesystem::path settingFile() const;
    void turnMeter(bool on);
    void layOut(int x, int y);
    void connectControls();
    QPushButton *button(int id) const;
    QLabel *label(int id) const;

    void record();
    void recordRefused();
    void play();
    void setStart();
    void setEnd();
    void placeMark(TakeModel::MarkResult result);
    void cut();
    void finishCut(const CutOutcome &outcome);
    void undoCut();
    void tell(const TakeOutcome &outcome);
    void save();
    void scrollAction(int action);
    void scrollReleased();

    // Sets every control from the model.
    void render();
    std::optional<double> takeSeconds() const;
    void stopPlayback();
    void showPosition(int seconds);
    void redrawUpTo(unsigned limit);
    void showEarlierTake();
    std::string takePath() const;

    // CaptureView
    void showElapsed(double seconds) override;
    void turnPage(int pageCount, std::uint32_t pageBytes) override;
    void drawBlock(const std::uint8_t *pcm, std::uint32_t length) override;
    void showLevel(const CaptureLevel &level) override;
    void showInput(bool available) override;
    void captureEnded(const TakeOutcome &ending) override;

    // Before any control: Qt asks it for their interfaces as they are made.
    RecorderAccessibility accessibility_;
    RecorderServices services_;
    BufferFile file_;
    CaptureStream capture_;
    WaveformView view_;
    TakeModel model_;
    InputMeter meter_;
    QElapsedTimer clock_;
    InputLevelWidget *inputLevel_ = nullptr;
    QAction *meterAction_ = nullptr;
    QAction *undoAction_ = nullptr;
    WaveformWidget *waveform_ = nullptr;
    PositionBar *scroll_ = nullptr;
    QComboBox *outputs_ = nullptr;
    QComboBox *inputs_ = nullptr;
    std::optional<TakeAnnouncer> announcer_;
    QTimer timer_;
    QSize dockedSize_;
    std::thread cutWorker_;
};
