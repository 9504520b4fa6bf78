// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateProfile.h"

#include <SimpleIni.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Section and key names match whatever their case, as private-profile files
// always did (CSimpleIniCaseA would tell "Setting" from "setting").
using Ini = CSimpleIniA;

// Values are plain bytes: no UTF-8 checks, no quotes, one value per key.
void configure(Ini &ini)
{
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetQuotes(false);
    ini.SetSpaces(false);
}

enum class LoadResult { Loaded, Missing, Unusable };

LoadResult load(const fs::path &file, Ini &ini)
{
    std::error_code error;
    if (!fs::exists(file, error))
        return LoadResult::Missing;
    const std::uintmax_t size = fs::file_size(file, error);
    if (error || size > PrivateProfile::kMaxFileSize)
        return LoadResult::Unusable;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return LoadResult::Unusable;
    std::ostringstream content;
    content << in.rdbuf();
    return ini.LoadData(content.str()) >= 0 ? LoadResult::Loaded : LoadResult::Unusable;
}

// The file a write lands in: a settings file that is a symbolic link (kept
// in a dotfiles folder, say) is replaced at its target, so the link stays.
fs::path writeTarget(const fs::path &file)
{
    constexpr int kMaxLinks = 40;
    fs::path target = file;
    std::error_code error;
    for (int i = 0; i < kMaxLinks && fs::is_symlink(target, error); ++i) {
        const fs::path next = fs::read_symlink(target, error);
        if (error)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

bool writeAll(int fd, const std::string &data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The rename only makes the new content visible; the folder's entry must
// reach the disk too, or a crash can bring back the old file.
void syncFolder(const fs::path &folder)
{
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes a new file beside the old one, flushes it to disk and renames it
// over the old one, so a full disk or a crash leaves either the old content
// or the new, never a torn file. The new file keeps the old one's mode.
std::error_code lastError()
{
    return {errno, std::generic_category()};
}

std::error_code replaceFile(const fs::path &file, const std::string &data)
{
    const fs::path target = writeTarget(file);
    fs::path temporary = target;
    temporary += ".new";
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return lastError();
    std::error_code failure;
    errno = 0;
    if (!writeAll(fd, data))
        // A write that takes no byte without an error: the disk is full.
        failure = errno != 0 ? lastError() : std::make_error_code(std::errc::no_space_on_device);
    if (!failure && existed && ::fchmod(fd, old.st_mode & 07777) != 0)
        failure = lastError();
    if (!failure && ::fsync(fd) != 0)
        failure = lastError();
    if (::close(fd) != 0 && !failure)
        failure = lastError();
    if (!failure && ::rename(temporary.c_str(), target.c_str()) != 0)
        failure = lastError();
    if (failure) {
        ::unlink(temporary.c_str());
        return failure;
    }
    syncFolder(target.parent_path());
    return {};
}

} // namespace

std::string PrivateProfile::read(const fs::path &file, const std::string &section,
                                 const std::string &key)
{
    Ini ini;
    configure(ini);
    if (load(file, ini) != LoadResult::Loaded)
        return {};
    const char *value = ini.GetValue(section.c_str(), key.c_str(), "");
    std::string text(value ? value : "");
    if (text.size() > kMaxValueLength)
        text.resize(kMaxValueLength);
    return text;
}

bool PrivateProfile::write(const fs::path &file, const std::string &section, const std::string &key,
                           const std::string &value)
{
    return !store(file, section, key, value);
}

std::error_code PrivateProfile::store(const fs::path &file, const std::string &section,
                                      const std::string &key, const std::string &value)
{
    Ini ini;
    configure(ini);
    // Not a settings file: left as it is.
    if (load(file, ini) == LoadResult::Unusable)
        return std::make_error_code(std::errc::invalid_argument);
    if (ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0)
        return std::make_error_code(std::errc::invalid_argument);
    std::string data;
    if (ini.Save(data) < 0)
        return std::make_error_code(std::errc::not_enough_memory);
    return replaceFile(file, data);
}
