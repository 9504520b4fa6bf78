#pragma once

#include <filesystem>

// Where the program's files live: beside the executable, as in a portable
// folder; files the program writes go to the XDG config folder instead when
// that folder is not writable (a system install).
class ProgramFolder {
public:
    // Folder of the running executable.
    static std::filesystem::path path();
    // Folder for settings and the recorder's buffer file; created if needed.
    static std::filesystem::path writablePath();
    // The XDG fallback: $XDG_CONFIG_HOME/Orlenta or ~/.config/Orlenta.
    static std::filesystem::path userConfigPath();
};
