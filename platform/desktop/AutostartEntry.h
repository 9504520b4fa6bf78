// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

// The XDG autostart entry that starts the panel hidden in the tray at login:
// org.orlenta.Orlenta.desktop in $XDG_CONFIG_HOME/autostart.
class AutostartEntry {
public:
    static constexpr const char *kFileName = "org.orlenta.Orlenta.desktop";
    static constexpr const char *kLauncher = "orlenta";

    // folder: the autostart folder the entry lives in.
    explicit AutostartEntry(std::filesystem::path folder) : folder_(std::move(folder)) {}
    // The user's: $XDG_CONFIG_HOME/autostart, ~/.config/autostart without it.
    static AutostartEntry forUser() { return AutostartEntry(userFolder()); }
    static std::filesystem::path userFolder();

    std::filesystem::path path() const { return folder_ / kFileName; }
    bool isEnabled() const;
    // Writes the entry whole (a new file renamed over the old one); false
    // with the reason in error when it cannot.
    bool enable(const std::string &command, std::string &error) const;
    // Removing an entry that is not there succeeds.
    bool disable(std::string &error) const;

    // The command that starts this program: the launcher on PATH for the
    // system install, else the program itself by its full path.
    static std::string commandFor(const std::filesystem::path &programFolder);
    // The entry's text for a program command (without arguments).
    static std::string contents(const std::string &command);

private:
    std::filesystem::path folder_;
};
