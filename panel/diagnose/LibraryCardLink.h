// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardLink.h"

#include <chrono>
#include <filesystem>

class HidControlLibrary;

// The card reached through a HID control library loaded in this process, as
// a command without a panel reaches it: the library lists the interfaces,
// opens the card, and one read request for the block goes out, answered or
// not within answerWait, then the zero report that releases the card; the
// card is closed again. Nothing is written to the card's block. Needs a Qt
// event loop on the calling thread for the answer to arrive.
class LibraryCardLink : public CardLink {
public:
    static constexpr std::chrono::milliseconds kAnswerWait{1000};

    explicit LibraryCardLink(std::filesystem::path libraryPath,
                             std::chrono::milliseconds answerWait = kAnswerWait)
        : libraryPath_(std::move(libraryPath)), answerWait_(answerWait)
    {
    }

    Result inspect() override;

private:
    StateRead readState(HidControlLibrary &library) const;

    std::filesystem::path libraryPath_;
    std::chrono::milliseconds answerWait_;
};
