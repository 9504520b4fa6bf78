// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConvertingMessageBoxes.h"

#include "ChineseText.h"

void ConvertingMessageBoxes::inform(const std::string &text, const std::string &caption)
{
    boxes_.inform(conversion_.convert(text), conversion_.convert(caption));
}

bool ConvertingMessageBoxes::ask(const std::string &text, const std::string &caption)
{
    return boxes_.ask(conversion_.convert(text), conversion_.convert(caption));
}
