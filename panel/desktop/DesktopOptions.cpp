// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopOptions.h"

#include "PrivateProfile.h"

#include <string>

namespace {

struct Key {
    const char *section;
    const char *name;
    bool byDefault;
};

// In the order of DesktopOptions::Option.
constexpr std::array<Key, DesktopOptions::kCount> kKeys{{
    {"notifications", "Enabled", true},
    {"notifications", "Connection", true},
    {"notifications", "CardChanges", true},
    {"notifications", "CommandChanges", true},
    {"setting", "RestorePresetOnReturn", false},
}};

} // namespace

DesktopOptions::DesktopOptions(std::filesystem::path settingFile)
    : settingFile_(std::move(settingFile))
{
    for (std::size_t i = 0; i < kCount; ++i) {
        const std::string value =
            PrivateProfile::read(settingFile_, kKeys[i].section, kKeys[i].name);
        // Anything but the two values this writes leaves the default.
        on_[i] = value == "1" || (value != "0" && kKeys[i].byDefault);
    }
}

std::error_code DesktopOptions::set(Option option, bool on)
{
    const Key &key = kKeys[index(option)];
    const std::error_code failure =
        PrivateProfile::store(settingFile_, key.section, key.name, on ? "1" : "0");
    if (!failure)
        on_[index(option)] = on;
    return failure;
}
