// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// $HOME, or the account's home directory when the variable is missing (a
// program started from a service manager or with a cleared environment).
fs::path homeFolder()
{
    const char *home = std::getenv("HOME");
    if (home && *home == '/')
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir == '/')
        return found->pw_dir;
    return "/tmp";
}

} // namespace

fs::path ProgramFolder::path()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path(error) : exe.parent_path();
}

fs::path ProgramFolder::userConfigPath()
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return fs::path(config) / "Orlenta";
    return homeFolder() / ".config" / "Orlenta";
}

bool ProgramFolder::keepsFilesBeside(const fs::path &programFolder)
{
    std::error_code error;
    if (fs::exists(programFolder / kSystemInstallMarker, error))
        return false;
    return access(programFolder.c_str(), W_OK) == 0;
}

fs::path ProgramFolder::writablePathFor(const fs::path &programFolder)
{
    if (keepsFilesBeside(programFolder))
        return programFolder;
    const fs::path fallback = userConfigPath();
    std::error_code error;
    fs::create_directories(fallback, error);
    return fallback;
}

fs::path ProgramFolder::writablePath()
{
    return writablePathFor(path());
}
