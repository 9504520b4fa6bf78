#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// A tmpfs of a few kilobytes mounted on a temporary folder: a disk that runs
// full. Mounting needs root; mounted() says whether it worked and error() why not.
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return mounted_; }
    const std::string &error() const { return error_; }
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
    bool mounted_ = false;
    std::string error_;
};
