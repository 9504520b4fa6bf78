// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChineseText.h"

#include <opencc/opencc.h>

#include <algorithm>

namespace {
bool isAscii(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}
} // namespace

ChineseText::ChineseText(bool simplifiedSystem) : converting_(!simplifiedSystem) {}

ChineseText::~ChineseText()
{
    if (converter_)
        opencc_close(opencc_t(converter_));
}

std::string ChineseText::convert(const std::string &text) const
{
    if (!converting_ || isAscii(text))
        return text;
    if (!loaded_) {
        loaded_ = true;
        const opencc_t converter = opencc_open("s2t.json");
        if (converter != opencc_t(-1))
            converter_ = converter;
    }
    if (!converter_)
        return text;
    char *converted = opencc_convert_utf8(opencc_t(converter_), text.data(), text.size());
    if (!converted)
        return text;
    std::string result(converted);
    opencc_convert_utf8_free(converted);
    return result;
}
