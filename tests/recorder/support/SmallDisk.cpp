#include "SmallDisk.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>

SmallDisk::SmallDisk(std::size_t bytes)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "orlenta-disk-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        error_ = std::strerror(errno);
        return;
    }
    path_ = pattern;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_)
        error_ = std::string("mount -t tmpfs: ") + std::strerror(errno);
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        ::umount2(path_.c_str(), MNT_DETACH);
    std::error_code error;
    if (!path_.empty())
        std::filesystem::remove_all(path_, error);
}
