// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioDefaults.h"
#include "SoundPlayer.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

// What happens to the sound system when the device connects: it becomes the
// default device and the start-up sound plays. On systems with a preferred
// wave device the sound starts first and is paused after three seconds when
// the device was made the preferred one. Nothing here fails loudly.
//
// Talking to the sound server can take seconds (a server that starts slowly,
// or hangs), so every call to it runs in order on a thread of its own; the
// caller's thread only keeps the pause timer.
class StartupAudio : public QObject {
public:
    static constexpr int kLegacyPauseMs = 3000;

    StartupAudio(AudioDefaults &defaults, SoundPlayer &player, int pauseMs = kLegacyPauseMs,
                 QObject *parent = nullptr);
    // Waits for the step under way; steps not yet begun are dropped.
    ~StartupAudio() override;

    void deviceConnected(const std::filesystem::path &sound, const std::string &deviceMatch);
    bool pausePending() const { return pauseTimer_.isActive(); }

private:
    void inBackground(std::function<void()> step);

    AudioDefaults &defaults_;
    SoundPlayer &player_;
    QTimer pauseTimer_;
    QThread worker_;
    std::unique_ptr<QObject> workerContext_;
};
