// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Player.h"

#include <map>
#include <string>
#include <vector>

// A player for tests: answers what the test sets and logs every command in
// the media command wording ("play from 7000 to 12000", "stop", "close").
class FakePlayer : public Player {
public:
    unsigned length(const std::string &file) override
    {
        log("status length", file);
        return lengths[file];
    }
    std::string mode(const std::string &file) override
    {
        log("status mode", file);
        return playing ? "playing" : "stopped";
    }
    unsigned position(const std::string &file) override
    {
        log("status position", file);
        return positionMs;
    }
    bool play(const std::string &file, unsigned fromMs, unsigned toMs) override
    {
        log("play from " + std::to_string(fromMs) + " to " + std::to_string(toMs), file);
        playing = playSucceeds;
        positionMs = fromMs;
        return playSucceeds;
    }
    void stop(const std::string &file) override
    {
        log("stop", file);
        playing = false;
    }
    void close(const std::string &file) override { log("close", file); }

    std::map<std::string, unsigned> lengths;
    bool playing = false;
    bool playSucceeds = true;
    unsigned positionMs = 0;
    std::vector<std::string> commands;
    std::string lastFile;

private:
    void log(const std::string &command, const std::string &file)
    {
        commands.push_back(command);
        lastFile = file;
    }
};
