// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What a save writes, decided from the name the user picked in the save-as
// dialog and the filter the dialog ended with (1 = MP3, 2 = WAV). Only an exact
// lower-case "mp3" or "wav" extension is taken as given; any other name gets
// the filter's extension appended, so "take.WAV" under the MP3 filter becomes
// "take.WAV.mp3".
class SaveDecision {
public:
    enum class Type { Nothing, Mp3, Wav };

    static SaveDecision decide(const std::string &chosenPath, int filterIndex);

    Type type() const { return type_; }
    const std::string &path() const { return path_; }

private:
    SaveDecision(Type type, std::string path) : type_(type), path_(std::move(path)) {}

    Type type_;
    std::string path_;
};
