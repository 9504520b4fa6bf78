// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

#include <string>
#include <vector>

// Message boxes for tests: remember what was shown and answer as told.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        std::string caption;
        bool question;
    };
    void inform(const std::string &text, const std::string &caption) override
    {
        shown.push_back({text, caption, false});
    }
    bool ask(const std::string &text, const std::string &caption) override
    {
        shown.push_back({text, caption, true});
        return answer;
    }

    std::vector<Shown> shown;
    bool answer = true;
};
