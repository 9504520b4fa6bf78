// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PcmFormat.h"
#include "SaveDecision.h"

#include <atomic>
#include <filesystem>
#include <string>

class MessageBoxes;
class SaveFileDialog;
class SaveProgress;

// Saves the take in the buffer file under a name the user picks: a WAV file is
// the take's audio under a header that counts exactly that audio, an MP3 file
// is its audio encoded through the output writer. Runs on the save worker;
// everything it shows goes through its seams.
//
// A file of the chosen name is replaced only by a complete new one: a save
// that fails or is stopped leaves it as it was, and leaves nothing else behind.
class TakeSaver {
public:
    TakeSaver(std::filesystem::path source, const PcmFormat &format, SaveFileDialog &dialog,
              MessageBoxes &messages, SaveProgress &progress);
    // Encoder library to load instead of the usual one (tests).
    void setEncoderLibrary(std::string file) { encoderLibrary_ = std::move(file); }
    // Once set (from any thread), the save stops at its next block without a word.
    void setStopRequest(const std::atomic<bool> &stop) { stop_ = &stop; }

    // True when a file was written.
    bool run();

private:
    bool mayReplace(const std::string &typed, const std::string &written);
    bool saveMp3(const std::string &path);
    bool saveWav(const std::string &path);
    bool copyWav(std::FILE *source, std::uint32_t dataBytes, int target, int &error);
    bool stopped() const { return stop_ && stop_->load(); }
    bool fail(const std::string &cause = {});

    std::filesystem::path source_;
    PcmFormat format_;
    SaveFileDialog &dialog_;
    MessageBoxes &messages_;
    SaveProgress &progress_;
    std::string encoderLibrary_;
    const std::atomic<bool> *stop_ = nullptr;
};
