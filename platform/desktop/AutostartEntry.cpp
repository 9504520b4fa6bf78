// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutostartEntry.h"

#include "ProgramFolder.h"
#include "ReplacingFile.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

// A program path as one argument of an Exec line: quoted when it holds
// anything but plain path characters, with the characters that stay special
// inside quotes escaped, and the escapes themselves escaped once more for
// the string value the line is.
std::string execArgument(const std::string &path)
{
    const bool plain = path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789/._+-") == std::string::npos;
    if (plain)
        return path;
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '\\')
            quoted += R"(\\\\)";
        else if (c == '"' || c == '`' || c == '$')
            quoted += R"(\\)" + std::string(1, c);
        else if (c == '%')
            quoted += "%%";
        else
            quoted += c;
    }
    return quoted + "\"";
}

} // namespace

fs::path AutostartEntry::userFolder()
{
    // userConfigPath() is <config home>/Orlenta, with XDG_CONFIG_HOME
    // honoured the same way.
    return ProgramFolder::userConfigPath().parent_path() / "autostart";
}

bool AutostartEntry::isEnabled() const
{
    std::error_code error;
    return fs::is_regular_file(path(), error);
}

std::string AutostartEntry::commandFor(const fs::path &programFolder)
{
    std::error_code error;
    if (fs::exists(programFolder / ProgramFolder::kSystemInstallMarker, error))
        return kLauncher;
    return execArgument((programFolder / "Orlenta").string());
}

std::string AutostartEntry::contents(const std::string &command)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Orlenta\n"
           "Comment=Starts the Orlenta control panel in the system tray\n"
           "Icon=org.orlenta.Orlenta\n"
           "Exec=" +
           command +
           " --hidden\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEntry::enable(const std::string &command, std::string &error) const
{
    std::error_code code;
    fs::create_directories(folder_, code);
    if (code) {
        error = "cannot make " + folder_.string() + ": " + code.message();
        return false;
    }
    // A session that logs in while this writes meets the old entry or the new.
    if (const std::error_code failure = ReplacingFile::write(path(), contents(command))) {
        error = "cannot write " + path().string() + ": " + failure.message();
        return false;
    }
    return true;
}

bool AutostartEntry::disable(std::string &error) const
{
    std::error_code code;
    fs::remove(path(), code);
    if (code) {
        error = "cannot remove " + path().string() + ": " + code.message();
        return false;
    }
    return true;
}
