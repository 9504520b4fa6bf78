// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <filesystem>
#include <system_error>

// The panel's desktop options, kept in setting.ini beside the preset
// selection: which notifications show, and whether the selected preset is
// written to a card that comes back. A setting.ini without them (a first
// start, or one from before they existed) means every notification on and no
// restoring; each is written only when the user changes it, the rest of the
// file staying as it was.
class DesktopOptions {
public:
    enum class Option {
        Notifications,        // none at all when off
        ConnectionNotices,    // the card plugged in, removed, or refused
        CardChangeNotices,    // what the card changed itself (its buttons)
        CommandChangeNotices, // by a command, a shortcut or D-Bus while the window is hidden
        RestorePreset,        // the selected preset is written after a plug-in or a resume
    };
    static constexpr std::size_t kCount = 5;

    explicit DesktopOptions(std::filesystem::path settingFile);

    bool isOn(Option option) const { return on_[index(option)]; }
    // A kind of notification shows only while notifications are on at all.
    bool shows(Option kind) const { return isOn(Option::Notifications) && isOn(kind); }
    // Stored first: on failure the option stays as it was, and why is returned.
    std::error_code set(Option option, bool on);

private:
    static std::size_t index(Option option) { return static_cast<std::size_t>(option); }

    std::filesystem::path settingFile_;
    std::array<bool, kCount> on_{};
};
