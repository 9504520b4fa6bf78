// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScratchFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path makeFolder()
{
    std::error_code error;
    const fs::path base =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "orlenta-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    return pattern;
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
