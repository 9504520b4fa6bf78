// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Modal messages to the user. Windows show them through a real dialog; tests
// put a recording fake in their place. Texts are UTF-8.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // An OK-only notice.
    virtual void inform(const std::string &text, const std::string &caption) = 0;
    // A yes/no question; true for yes.
    virtual bool ask(const std::string &text, const std::string &caption) = 0;
};
