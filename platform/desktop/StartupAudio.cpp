// SPDX-License-Identifier: GPL-3.0-or-later
#include "StartupAudio.h"

StartupAudio::StartupAudio(AudioDefaults &defaults, SoundPlayer &player, int pauseMs,
                           QObject *parent)
    : QObject(parent), defaults_(defaults), player_(player),
      workerContext_(std::make_unique<QObject>())
{
    pauseTimer_.setSingleShot(true);
    pauseTimer_.setInterval(pauseMs);
    connect(&pauseTimer_, &QTimer::timeout, this,
            [this] { inBackground([this] { player_.pause(); }); });
    worker_.setObjectName(QStringLiteral("startup audio"));
    workerContext_->moveToThread(&worker_);
    worker_.start();
}

StartupAudio::~StartupAudio()
{
    worker_.quit();
    worker_.wait();
}

void StartupAudio::inBackground(std::function<void()> step)
{
    QMetaObject::invokeMethod(workerContext_.get(), std::move(step), Qt::QueuedConnection);
}

void StartupAudio::deviceConnected(const std::filesystem::path &sound,
                                   const std::string &deviceMatch)
{
    if (defaults_.usesPreferredWaveDevice()) {
        inBackground([this, sound, deviceMatch] {
            player_.play(sound);
            if (defaults_.makeDefault(deviceMatch))
                QMetaObject::invokeMethod(this, [this] { pauseTimer_.start(); });
        });
        return;
    }
    // The sound goes to the device once it is the default, as a greeting
    // from the card itself.
    inBackground([this, sound, deviceMatch] {
        defaults_.makeDefault(deviceMatch);
        player_.play(sound);
    });
}
