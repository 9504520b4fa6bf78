// SPDX-License-Identifier: GPL-3.0-or-later
#include "FullWrite.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace {

template <typename Write> std::size_t writeAll(const void *data, std::size_t length, Write write)
{
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = write(bytes + done, length - done, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            break;
        }
        done += std::size_t(n);
    }
    return done;
}

} // namespace

namespace FullWrite {

bool to(int descriptor, const void *data, std::size_t length)
{
    return asMuchAs(descriptor, data, length) == length;
}

std::size_t asMuchAs(int descriptor, const void *data, std::size_t length)
{
    return writeAll(data, length,
                    [descriptor](const std::uint8_t *from, std::size_t n, std::size_t) {
                        return ::write(descriptor, from, n);
                    });
}

bool at(int descriptor, const void *data, std::size_t length, off_t offset)
{
    return length == writeAll(data, length,
                              [descriptor, offset](const std::uint8_t *from, std::size_t n,
                                                   std::size_t done) {
                                  return ::pwrite(descriptor, from, n, offset + off_t(done));
                              });
}

} // namespace FullWrite
