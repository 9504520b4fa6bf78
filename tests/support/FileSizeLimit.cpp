// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSizeLimit.h"

#include <cerrno>
#include <cstring>

FileSizeLimit::FileSizeLimit(std::uint64_t bytes)
{
    if (::getrlimit(RLIMIT_FSIZE, &previous_) != 0) {
        error_ = std::string("getrlimit: ") + std::strerror(errno);
        return;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previousAction_);
    rlimit limited = previous_;
    limited.rlim_cur = previous_.rlim_max == RLIM_INFINITY || bytes < previous_.rlim_max
                           ? rlim_t(bytes)
                           : previous_.rlim_max;
    active_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    if (!active_) {
        error_ = std::string("setrlimit: ") + std::strerror(errno);
        ::sigaction(SIGXFSZ, &previousAction_, nullptr);
    }
}

FileSizeLimit::~FileSizeLimit()
{
    if (!active_)
        return;
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::sigaction(SIGXFSZ, &previousAction_, nullptr);
}
