#pragma once

#include <string>

// The recorder's Chinese conversion: on systems whose language is not
// simplified Chinese, message texts are shown in traditional characters.
// ASCII text comes back unchanged, and so does any text when the conversion
// tables cannot be loaded.
class ChineseText {
public:
    explicit ChineseText(bool simplifiedSystem);
    ~ChineseText();
    ChineseText(const ChineseText &) = delete;
    ChineseText &operator=(const ChineseText &) = delete;

    std::string convert(const std::string &text) const;

private:
    void *converter_ = nullptr; // opencc_t
};
