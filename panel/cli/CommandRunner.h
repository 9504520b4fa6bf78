// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AutostartEntry.h"
#include "CommandDispatcher.h"
#include "CommandLine.h"
#include "CommandReply.h"
#include "DeviceNotifier.h"
#include "HidCardSession.h"

#include <QByteArray>
#include <QLocalSocket>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

// The program started with a command: help, version, autostart and
// diagnose are answered here (diagnose asks a running panel about the card);
// the rest goes to the running panel when one answers, else to the card
// through a session of its own, without a window.
class CommandRunner {
public:
    // Sends a request line to the running panel and waits at most wait for
    // its answer: none when none answered.
    using AskPanel = std::function<std::optional<QByteArray>(const QByteArray &requestLine,
                                                             std::chrono::milliseconds wait)>;

    // How long a command without a panel waits for the card's block; the
    // read's attempts go on meanwhile.
    static constexpr std::chrono::milliseconds kReadWait{2000};

    struct Setup {
        // The session a command opens when no panel runs: the program folder
        // and the settings folder, nothing of the desktop.
        HidCardSession::Setup card;
        std::chrono::milliseconds readWait = kReadWait;
        AskPanel askPanel;
        // Whether a panel runs, answering or not: one that holds its place but
        // does not answer must not find the card opened beside it.
        std::function<bool()> panelRunning;
        AutostartEntry autostart{std::filesystem::path()};

        // For watch: subscribes to the running panel's changes (none when
        // none took the request), and where its socket appears when one
        // starts.
        std::function<std::unique_ptr<QLocalSocket>(const QByteArray &requestLine)>
            subscribeToPanel;
        QString panelSocket;
        // Plug-in and removal notices for each session of its own: the
        // kernel's in the program, fakes in tests.
        std::function<std::unique_ptr<DeviceNotifier>()> makeNotifier;
        // SIGINT and SIGTERM end it, with exit status 0.
        bool stopOnSignals = false;
    };

    // The name the running panel's lock and socket go by.
    static constexpr const char *kInstanceName = "vekCtrl";
    // How long a command waits for the running panel's answer: a change may
    // wait for the card behind other exchanges.
    static constexpr std::chrono::milliseconds kChangeReplyWait =
        CommandDispatcher::kWriteWait + std::chrono::seconds(5);

    // For main: the exit status of a parsed command line that is not the
    // panel's own start. Makes the Qt core application it needs.
    static int runFromMain(const CommandLine::Parsed &parsed, int argc, char **argv);
    // The token the desktop gave this start for raising a window
    // (XDG_ACTIVATION_TOKEN), or empty.
    static std::string activationToken();

    // A parsed command line (any kind but StartPanel) with a Qt core
    // application running; prints to out and err, returns the exit status.
    static int run(const CommandLine::Parsed &parsed, const Setup &setup, std::ostream &out,
                   std::ostream &err);

private:
    static CommandReply runLocally(const CommandLine &command, const Setup &setup);
    static CommandReply runOnPanel(const CommandLine &command, const Setup &setup);
    static CommandReply runOnCard(const CommandLine &command, const Setup &setup);
    static CommandReply diagnose(const CommandLine &command, const Setup &setup);
    static std::optional<QByteArray> panelsCardAnswer(const CommandLine &command,
                                                      const Setup &setup);
    static int watch(const CommandLine &command, const Setup &setup, std::ostream &out,
                     std::ostream &err);
};
