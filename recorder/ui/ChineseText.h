// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The recorder's Chinese conversion: on systems whose language is not
// simplified Chinese, message texts are shown in traditional characters.
// ASCII text comes back unchanged, and so does any text when the conversion
// tables cannot be loaded. The tables are loaded when first needed: most
// texts are ASCII and never need them.
class ChineseText {
public:
    explicit ChineseText(bool simplifiedSystem);
    ~ChineseText();
    ChineseText(const ChineseText &) = delete;
    ChineseText &operator=(const ChineseText &) = delete;

    std::string convert(const std::string &text) const;

private:
    bool converting_;
    mutable bool loaded_ = false;
    mutable void *converter_ = nullptr; // opencc_t
};
