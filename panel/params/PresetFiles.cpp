// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetFiles.h"

#include "ParameterBlock.h"
#include "PrivateProfile.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {
const std::string kSettingSection = "setting";
const std::string kCurrentConfigKey = "CurrentConfig";
const std::string kBlockKey = "settingToVoice";
const std::string kMoshiSection = "moshi";
const std::string kMoshiKey = "settingToVoiceYing";
} // namespace

fs::path PresetFiles::settingFile() const
{
    return folder_ / "setting.ini";
}

fs::path PresetFiles::presetFile(int preset) const
{
    return folder_ / ("UserConfig_" + std::to_string(preset) + ".ini");
}

bool PresetFiles::createMissing()
{
    std::error_code error;
    bool settingCreated = false;
    if (!fs::exists(settingFile(), error)) {
        PrivateProfile::write(settingFile(), kSettingSection, kCurrentConfigKey, "1");
        settingCreated = true;
    }
    if (!fs::exists(presetFile(1), error)) {
        PrivateProfile::write(presetFile(1), kSettingSection, kBlockKey,
                              ParameterBlock::newPreset().toText());
        PrivateProfile::write(presetFile(1), kMoshiSection, kMoshiKey, "1");
        if (!fs::exists(presetFile(2), error)) {
            for (int preset = 2; preset <= kPresetCount; ++preset)
                fs::copy_file(presetFile(1), presetFile(preset),
                              fs::copy_options::overwrite_existing, error);
        }
    }
    return settingCreated;
}

bool PresetFiles::hasSettingFile() const
{
    std::error_code error;
    return fs::exists(settingFile(), error);
}

std::string PresetFiles::currentConfig() const
{
    return PrivateProfile::read(settingFile(), kSettingSection, kCurrentConfigKey);
}

bool PresetFiles::writeCurrentConfig(int preset)
{
    lastWriteError_ = PrivateProfile::store(settingFile(), kSettingSection, kCurrentConfigKey,
                                            std::to_string(preset));
    return !lastWriteError_;
}

std::string PresetFiles::presetText(int preset) const
{
    return PrivateProfile::read(presetFile(preset), kSettingSection, kBlockKey);
}

bool PresetFiles::writePresetText(int preset, const std::string &text)
{
    lastWriteError_ = PrivateProfile::store(presetFile(preset), kSettingSection, kBlockKey, text);
    return !lastWriteError_;
}
