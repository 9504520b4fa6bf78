// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AutostartEntry.h"
#include "CommandChannel.h"
#include "CommandLine.h"
#include "CommandReply.h"
#include "HeadlessPanel.h"

#include <QByteArray>

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>

// The program started with a command: help, version and autostart are
// answered here; the rest goes to the running panel when one answers, else
// to the card through a run without a window.
class CommandRunner {
public:
    // Sends a request line to the running panel: none when none runs.
    using AskPanel = std::function<std::optional<QByteArray>(const QByteArray &requestLine)>;

    struct Setup {
        HeadlessPanel::Setup headless;
        AskPanel askPanel;
        AutostartEntry autostart{std::filesystem::path()};
    };

    // For main: the exit status of a command; none when the arguments ask
    // for the panel itself. Makes the Qt core application it needs.
    static std::optional<int> runFromMain(int argc, char **argv);

    // A parsed command line (any kind but StartPanel) with a Qt core
    // application running; prints to out and err, returns the exit status.
    static int run(const CommandLine::Parsed &parsed, const Setup &setup, std::ostream &out,
                   std::ostream &err);

private:
    static CommandReply runLocally(const CommandLine &command, const Setup &setup);
    static CommandReply runOnPanel(const CommandLine &command, const Setup &setup);
};
