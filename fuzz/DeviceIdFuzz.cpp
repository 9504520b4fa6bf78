// SPDX-License-Identifier: GPL-3.0-or-later
// The vendor and product id texts of the panel's hidden edits: the first four
// characters as hex digits, anything else counting as 0, and every 16-bit id
// written as four hex digits of either case reads back as itself.
#include "DeviceConnection.h"
#include "FuzzCheck.h"

#include <cctype>
#include <cstdio>
#include <string_view>

namespace {

unsigned digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return unsigned(c - '0');
    const char lower = char(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? unsigned(lower - 'a' + 10) : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    unsigned expected = 0;
    for (std::size_t i = 0; i < 4; ++i)
        expected = expected * 16 + (i < text.size() ? digitValue(text[i]) : 0);
    FUZZ_CHECK(DeviceConnection::parseId(text) == expected);

    if (size >= 2) {
        const unsigned id = unsigned(data[0]) << 8 | data[1];
        char lower[5];
        char upper[5];
        std::snprintf(lower, sizeof lower, "%04x", id);
        std::snprintf(upper, sizeof upper, "%04X", id);
        FUZZ_CHECK(DeviceConnection::parseId(lower) == id);
        FUZZ_CHECK(DeviceConnection::parseId(upper) == id);
    }
    return 0;
}
