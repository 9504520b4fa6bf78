// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <sys/resource.h>

// A disk that runs full, without root: while the object lives, no file this
// process writes may grow beyond the given size (a soft RLIMIT_FSIZE). A write
// past it fails with EFBIG instead of raising SIGXFSZ, which is ignored
// meanwhile; both are put back afterwards. Files already larger stay readable.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return active_; }
    const std::string &error() const { return error_; }

private:
    rlimit previous_{};
    struct sigaction previousAction_ {};
    bool active_ = false;
    std::string error_;
};
