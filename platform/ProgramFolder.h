// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

// Where the program's files live: beside the executable, as in a portable
// folder. Files the program writes (INI files, the recorder's buffer file)
// go to the XDG config folder instead when the program folder is part of a
// system install or cannot be written.
class ProgramFolder {
public:
    // Put beside the program by the system install. Its presence, not the
    // folder's permissions, says the folder belongs to the package manager:
    // root may write to /usr/lib/orlenta, but settings written there would
    // be shared by every user and lost on the next upgrade.
    static constexpr const char *kSystemInstallMarker = "system-install";

    // Folder of the running executable.
    static std::filesystem::path path();
    // Folder for settings and the recorder's buffer file; created if needed.
    static std::filesystem::path writablePath();
    // The same decision for a given program folder.
    static std::filesystem::path writablePathFor(const std::filesystem::path &programFolder);
    // True when the program keeps its own files in programFolder.
    static bool keepsFilesBeside(const std::filesystem::path &programFolder);
    // The XDG fallback: $XDG_CONFIG_HOME/Orlenta, or ~/.config/Orlenta when
    // that variable is unset or not an absolute path.
    static std::filesystem::path userConfigPath();
};
