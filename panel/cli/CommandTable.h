// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

// Every command of the command line, once: its name, how it is spelled,
// where it is carried out and what it waits for. Parsing, routing, --help and
// the checks of the man page and the completion all read this table.
struct CommandSpec {
    // Who carries the command out.
    enum class Route {
        Here,         // the program itself: no panel, no card
        PanelOrCard,  // the running panel, else the program on the card, without a window
        RunningPanel, // only the running panel, which has the window
        // The program itself, asking the running panel what it knows of the card.
        HereAskingPanel,
    };
    // What the command waits for from the card.
    enum class CardWait {
        None,
        Read,  // the card's block
        Write, // the card's answer to a write, possibly behind other exchanges
    };
    // Fills command from the words after the name; an error says what is wrong.
    using Parser = std::string (*)(CommandLine &command, const std::vector<std::string> &rest);

    std::string_view name;
    CommandLine::Kind kind;
    std::string_view arguments; // as the usage shows them after the name
    std::string_view summary;
    Route route;
    CardWait cardWait;
    Parser parse;

    static std::span<const CommandSpec> all();
    static const CommandSpec *find(std::string_view name);
};
