// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// The five settings files: setting.ini names the selected preset,
// UserConfig_1.ini to UserConfig_4.ini hold one parameter block each as 16
// hex digits. Write failures are reported as false and change nothing that
// was stored before.
class PresetFiles {
public:
    static constexpr int kPresetCount = 4;

    explicit PresetFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // Makes the files a first start expects: setting.ini selecting preset 1,
    // and the presets. True when setting.ini had to be made.
    bool createMissing();
    bool hasSettingFile() const;

    std::string currentConfig() const;
    bool writeCurrentConfig(int preset);
    // The stored block text of preset 1-4; empty when missing.
    std::string presetText(int preset) const;
    bool writePresetText(int preset, const std::string &text);
    // Why the last write above failed; no error after one that worked.
    std::error_code lastWriteError() const { return lastWriteError_; }

    std::filesystem::path settingFile() const;
    std::filesystem::path presetFile(int preset) const;
    const std::filesystem::path &folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::error_code lastWriteError_;
};
