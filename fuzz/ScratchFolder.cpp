// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScratchFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "orlenta-fuzz-";

fs::path baseFolder()
{
    std::error_code error;
    return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// The fuzzer often ends with _Exit, which skips the removal at exit: folders
// of processes that are gone are removed by the next one.
void removeLeftovers(const fs::path &base)
{
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(base, error)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, kPrefix.size(), kPrefix) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + kPrefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            fs::remove_all(entry.path(), error);
    }
}

fs::path makeFolder()
{
    const fs::path base = baseFolder();
    removeLeftovers(base);
    fs::path folder = base / (std::string(kPrefix) + std::to_string(::getpid()));
    std::error_code error;
    fs::remove_all(folder, error);
    if (!fs::create_directory(folder, error))
        std::abort();
    return folder;
}

void removeFolder()
{
    std::error_code ignored;
    fs::remove_all(ScratchFolder::path(), ignored);
}

} // namespace

const fs::path &ScratchFolder::path()
{
    static const fs::path folder = [] {
        fs::path made = makeFolder();
        std::atexit(removeFolder);
        return made;
    }();
    return folder;
}

void ScratchFolder::clear()
{
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(path(), error))
        fs::remove_all(entry.path(), error);
}

bool ScratchFolder::write(const fs::path &file, std::string_view bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> ScratchFolder::read(const fs::path &file)
{
    std::vector<std::uint8_t> bytes;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        if (fd >= 0)
            ::close(fd);
        return bytes;
    }
    bytes.resize(std::size_t(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    ::close(fd);
    bytes.resize(done);
    return bytes;
}
