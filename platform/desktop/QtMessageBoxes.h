// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

class QWidget;

// Modal message boxes owned by one window.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget *owner) : owner_(owner) {}
    void inform(const std::string &text, const std::string &caption) override;
    bool ask(const std::string &text, const std::string &caption) override;

private:
    QWidget *owner_;
};
