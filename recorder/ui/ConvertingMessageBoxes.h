// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

class ChineseText;

// The recorder's message-box routine: text and caption pass through the
// Chinese conversion before the boxes show them.
class ConvertingMessageBoxes : public MessageBoxes {
public:
    ConvertingMessageBoxes(MessageBoxes &boxes, const ChineseText &conversion)
        : boxes_(boxes), conversion_(conversion)
    {
    }
    void inform(const std::string &text, const std::string &caption) override;
    bool ask(const std::string &text, const std::string &caption) override;

private:
    MessageBoxes &boxes_;
    const ChineseText &conversion_;
};
