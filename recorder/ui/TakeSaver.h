#pragma once

#include "SaveDecision.h"
#include "WaveFormat.h"

#include <filesystem>
#include <string>

class MessageBoxes;
class SaveFileDialog;
class SaveProgress;

// Saves the take in the buffer file under a name the user picks: a WAV file is
// a byte copy of the buffer file, an MP3 file is its audio encoded through the
// output writer. Runs on the save worker; everything it shows goes through its
// seams. A save that fails leaves no file behind under the chosen name.
class TakeSaver {
public:
    static constexpr std::size_t kWavCopyBlock = 1024;
    static constexpr std::size_t kHeaderBytes = 46;

    TakeSaver(std::filesystem::path source, const WaveFormat &format, SaveFileDialog &dialog,
              MessageBoxes &messages, SaveProgress &progress);
    // Encoder library to load instead of the usual one (tests).
    void setEncoderLibrary(std::string file) { encoderLibrary_ = std::move(file); }

    // True when a file was written.
    bool run();

private:
    bool saveMp3(const std::string &path);
    bool saveWav(const std::string &path);
    bool fail(const std::string &writtenPath = {});

    std::filesystem::path source_;
    WaveFormat format_;
    SaveFileDialog &dialog_;
    MessageBoxes &messages_;
    SaveProgress &progress_;
    std::string encoderLibrary_;
};
