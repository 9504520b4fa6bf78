#include "ProgramFolder.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

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
    const char *home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".config" / "Orlenta";
}

fs::path ProgramFolder::writablePath()
{
    const fs::path folder = path();
    if (access(folder.c_str(), W_OK) == 0)
        return folder;
    const fs::path fallback = userConfigPath();
    std::error_code error;
    fs::create_directories(fallback, error);
    return fallback;
}
