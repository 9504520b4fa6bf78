// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

#include <string>
#include <vector>

// Keeps every message instead of showing it; questions get a scripted answer.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Message {
        std::string text;
        std::string caption;
        bool operator==(const Message &) const = default;
    };

    void inform(const std::string &text, const std::string &caption) override
    {
        messages.push_back({text, caption});
    }
    bool ask(const std::string &text, const std::string &caption) override
    {
        messages.push_back({text, caption});
        return answer;
    }

    std::vector<Message> messages;
    bool answer = true;
};
