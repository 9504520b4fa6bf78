// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the whole-panel tests share: the running panel over the simulated
// card in a temporary settings folder, with fakes for the desktop services.
#include "FakeAudioDefaults.h"
#include "FakeDeviceNotifier.h"
#include "FakeSoundPlayer.h"
#include "MessageBoxes.h"
#include "PanelProgram.h"

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class RecordingMessageBoxes : public MessageBoxes {
public:
    void inform(const std::string &text, const std::string &caption) override
    {
        shown.emplace_back(text, caption);
    }
    bool ask(const std::string &text, const std::string &caption) override
    {
        shown.emplace_back(text, caption);
        return false;
    }
    std::vector<std::pair<std::string, std::string>> shown;
};

struct PanelFixture {
    QTemporaryDir settings;
    FakeDeviceNotifier notifier;
    FakeAudioDefaults audio;
    FakeSoundPlayer player;
    RecordingMessageBoxes messages;
    std::unique_ptr<PanelProgram> panel;

    PanelEnvironment environment(const std::filesystem::path &programFolder = ORLENTA_SIM_STAGE_DIR)
    {
        PanelEnvironment env;
        env.programFolder = programFolder;
        env.settingsFolder = settings.path().toStdString();
        env.autostartFolder = file("autostart");
        env.notifier = &notifier;
        env.audioDefaults = &audio;
        env.player = &player;
        env.messages = &messages;
        return env;
    }

    std::filesystem::path file(const char *name) const
    {
        return std::filesystem::path(settings.path().toStdString()) / name;
    }
};
