// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileInUseLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>

FileInUseLock::~FileInUseLock() { release(); }

FileInUseLock::FileInUseLock(FileInUseLock &&other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1))
{
}

FileInUseLock &FileInUseLock::operator=(FileInUseLock &&other) noexcept
{
    if (this != &other) {
        release();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

void FileInUseLock::release()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
}

FileInUseLock FileInUseLock::lock(const std::filesystem::path &file, int operation)
{
    FileInUseLock result;
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return result;
    if (::flock(descriptor, operation | LOCK_NB) != 0) {
        ::close(descriptor);
        return result;
    }
    result.descriptor_ = descriptor;
    return result;
}

FileInUseLock FileInUseLock::hold(const std::filesystem::path &file)
{
    return lock(file, LOCK_SH);
}

FileInUseLock FileInUseLock::takeSole(const std::filesystem::path &file)
{
    return lock(file, LOCK_EX);
}

bool FileInUseLock::markOpen(int descriptor) { return ::flock(descriptor, LOCK_SH | LOCK_NB) == 0; }

bool FileInUseLock::isInUse(const std::filesystem::path &file)
{
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool inUse = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0;
    ::close(descriptor);
    return inUse;
}
