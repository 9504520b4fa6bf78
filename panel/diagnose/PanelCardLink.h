// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardLink.h"

#include <functional>
#include <optional>

// The card as the running panel sees it, for a command run beside it: the
// panel has the card open, so the command asks it (SessionCardInspection
// answers there) instead of opening the card a second time. A panel that
// does not answer is told as such; the card is then left to it.
class PanelCardLink : public CardLink {
public:
    // The running panel's encoded answer (CardLink::Result::encode); none
    // when it did not answer.
    using AskPanel = std::function<std::optional<QByteArray>()>;

    // libraryPath: the program folder's HID library, named when the panel
    // does not answer.
    PanelCardLink(AskPanel ask, QString libraryPath)
        : ask_(std::move(ask)), libraryPath_(std::move(libraryPath))
    {
    }

    Result inspect() override;

private:
    AskPanel ask_;
    QString libraryPath_;
};
