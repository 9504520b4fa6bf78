// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

#include <cstdio>

// Messages of a benchmark run go to the error stream; a message means the run failed.
class PrintedMessages : public MessageBoxes {
public:
    void inform(const std::string &text, const std::string &caption) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        shown = true;
    }
    bool ask(const std::string &text, const std::string &caption) override
    {
        inform(text, caption);
        return true;
    }
    bool shown = false;
};
