// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <sys/types.h>

// Writes that go on until every byte is written or the file refuses more;
// false then, with errno saying why (ENOSPC when it took nothing).
namespace FullWrite {

// At the descriptor's position, moving it on.
bool to(int descriptor, const void *data, std::size_t length);
// The same, for a caller that keeps what the file took: the bytes written,
// errno saying why when fewer.
std::size_t asMuchAs(int descriptor, const void *data, std::size_t length);
// At an offset, leaving the position as it is.
bool at(int descriptor, const void *data, std::size_t length, off_t offset);

} // namespace FullWrite
