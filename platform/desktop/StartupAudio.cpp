#include "StartupAudio.h"

StartupAudio::StartupAudio(AudioDefaults &defaults, SoundPlayer &player, int pauseMs,
                           QObject *parent)
    : QObject(parent), defaults_(defaults), player_(player)
{
    pauseTimer_.setSingleShot(true);
    pauseTimer_.setInterval(pauseMs);
    connect(&pauseTimer_, &QTimer::timeout, this, [this] { player_.pause(); });
}

void StartupAudio::deviceConnected(const std::filesystem::path &sound,
                                   const std::string &deviceMatch)
{
    if (defaults_.usesPreferredWaveDevice()) {
        player_.play(sound);
        if (defaults_.makeDefault(deviceMatch))
            pauseTimer_.start();
        return;
    }
    // The sound goes to the device once it is the default, as a greeting
    // from the card itself.
    defaults_.makeDefault(deviceMatch);
    player_.play(sound);
}
