#pragma once

#include "AudioDefaults.h"
#include "SoundPlayer.h"

#include <QObject>
#include <QTimer>

#include <filesystem>

// What happens to the sound system when the device connects: it becomes the
// default device and the start-up sound plays. On systems with a preferred
// wave device the sound starts first and is paused after three seconds when
// the device was made the preferred one. Nothing here fails loudly.
class StartupAudio : public QObject {
public:
    static constexpr int kLegacyPauseMs = 3000;

    StartupAudio(AudioDefaults &defaults, SoundPlayer &player, int pauseMs = kLegacyPauseMs,
                 QObject *parent = nullptr);

    void deviceConnected(const std::filesystem::path &sound, const std::string &deviceMatch);
    bool pausePending() const { return pauseTimer_.isActive(); }

private:
    AudioDefaults &defaults_;
    SoundPlayer &player_;
    QTimer pauseTimer_;
};
