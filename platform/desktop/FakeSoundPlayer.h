#pragma once

#include "SoundPlayer.h"

#include <string>
#include <vector>

// Keeps the commands it was given, in order ("play <file>", "pause").
class FakeSoundPlayer : public SoundPlayer {
public:
    bool play(const std::filesystem::path &file) override
    {
        commands.push_back("play " + file.string());
        return true;
    }
    void pause() override { commands.push_back("pause"); }
    std::vector<std::string> commands;
};
