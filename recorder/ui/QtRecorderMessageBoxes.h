// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

class QWidget;

// The recorder's message boxes: a notice with OK, a question with OK and
// Cancel (OK answers yes), owned by the recorder window once it exists.
class QtRecorderMessageBoxes : public MessageBoxes {
public:
    void setOwner(QWidget *owner) { owner_ = owner; }
    void inform(const std::string &text, const std::string &caption) override;
    bool ask(const std::string &text, const std::string &caption) override;

private:
    QWidget *owner_ = nullptr;
};
