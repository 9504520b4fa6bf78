// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingAssignment.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CommandSpec;

// What the program was asked to do from its command line, checked before
// anything touches the card: a command that parses is complete and in range.
struct CommandLine {
    enum class Kind {
        StartPanel, // no command: the panel as usual
        Help,
        Version,
        Status,
        Watch,
        Set, // also `mode` and `mute`
        Preset,
        Reset,
        Show,
        Hide,
        Quit,
        Autostart,
        Diagnose,
    };

    Kind kind = Kind::StartPanel;
    // The command as the table has it; none for the panel's start, --help
    // and --version.
    const CommandSpec *spec = nullptr;
    bool json = false;   // status --json, diagnose --json, watch --json
    bool hidden = false; // StartPanel --hidden: start in the tray
    std::vector<SettingAssignment> changes;
    int preset = 0;           // Preset: 1-4
    bool autostartOn = false; // Autostart
    // Show: the token the desktop gave this start, so that the panel's window
    // may take the focus (Wayland); goes to the panel after the word.
    std::string activationToken;
    std::vector<std::string> words; // as given, sent on to a running panel

    struct Parsed;

    // The arguments after the program name.
    static Parsed parse(const std::vector<std::string> &args);
    // One request line as a running panel receives it; only what acts on a
    // panel is accepted there.
    static Parsed parseRequest(std::string_view line);

    // Commands a running panel carries out, when there is one.
    bool goesToPanel() const;
    // The words on one line, newline-terminated, and the activation token of
    // a show. Words of a command that parsed hold no blanks, so the panel
    // splits them back unchanged; a token that holds any is left out.
    std::string requestLine() const;
    // The request a later start sends to bring the running panel's window up.
    static CommandLine show(std::string activationToken);

    static std::string usage();
};

struct CommandLine::Parsed {
    std::optional<CommandLine> command;
    std::string error; // why there is none
};
