// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportWords.h"

ReportWords::Words ReportWords::pack(const Bytes &bytes)
{
    Words words{};
    for (std::size_t w = 0; w < words.size(); ++w) {
        for (std::size_t i = 0; i < 4; ++i)
            words[w] |= std::uint32_t{bytes[4 * w + i]} << (24 - 8 * i);
    }
    return words;
}
