// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReplacingFile.h"

#include "FullWrite.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

// A file name no other writer in the folder uses: process, a counter and the clock.
std::string temporaryName(const fs::path &target)
{
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return "." + target.filename().string() + "." + std::to_string(::getpid()) + "-" +
           std::to_string(++counter) + "-" + std::to_string(ticks % 1000000) + ".part";
}

// A file given through a link (a settings file kept in a dotfiles folder,
// say) is replaced where it lies, and the link stays; also where the link
// points at a file not made yet.
fs::path followLink(const fs::path &file)
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

constexpr int kNotRegular = -1;

} // namespace

std::error_code ReplacingFile::write(const fs::path &target, std::string_view data)
{
    ReplacingFile replacement(target);
    if (!replacement.create())
        return replacement.error();
    if (!FullWrite::to(replacement.descriptor(), data.data(), data.size()))
        return {errno, std::generic_category()};
    if (!replacement.commit())
        return replacement.error();
    return {};
}

ReplacingFile::ReplacingFile(fs::path target) : target_(followLink(target)) {}

ReplacingFile::~ReplacingFile()
{
    discard();
}

bool ReplacingFile::create()
{
    discard();
    committed_ = false;
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error_ = S_ISDIR(existing.st_mode) ? EISDIR : kNotRegular;
        return false;
    }
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = folder / temporaryName(target_);
        descriptor_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            temporary_ = candidate;
            // The new version keeps who may read and write the old one.
            if (exists)
                ::fchmod(descriptor_, existing.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error_ = errno;
    return false;
}

bool ReplacingFile::commit(bool flushToDisk)
{
    if (descriptor_ < 0 || temporary_.empty()) {
        error_ = EBADF;
        return false;
    }
    if (flushToDisk && ::fsync(descriptor_) != 0) {
        error_ = errno;
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_ = errno;
        return false;
    }
    committed_ = true;
    temporary_.clear();
    if (flushToDisk) {
        // The rename itself lives in the folder.
        const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
        const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory >= 0) {
            ::fsync(directory);
            ::close(directory);
        }
    }
    return true;
}

int ReplacingFile::release()
{
    return committed_ ? std::exchange(descriptor_, -1) : -1;
}

std::error_code ReplacingFile::error() const
{
    return error_ == kNotRegular ? std::make_error_code(std::errc::invalid_argument)
                                 : std::error_code(error_, std::generic_category());
}

std::string ReplacingFile::errorText() const
{
    return error_ == kNotRegular ? "not a regular file" : error().message();
}

void ReplacingFile::discard()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}
