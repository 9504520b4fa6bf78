// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"
#include "CommandReply.h"
#include "PanelCommandTarget.h"
#include "PanelWindowTarget.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <optional>

// Carries out the commands that act on a panel, against the running panel
// or a run without a window, and says what to print and how to exit. A
// change is only started on a card that is ready, so a command refused for
// its card sends nothing.
class CommandDispatcher {
public:
    // Longest wait for a write that another exchange holds up.
    static constexpr std::chrono::seconds kWriteWait{30};

    // window is null when no panel runs: show, hide and quit are refused.
    CommandDispatcher(PanelCommandTarget &panel, PanelWindowTarget *window,
                      std::chrono::milliseconds writeWait = kWriteWait);

    // One request line from the single-instance socket; the encoded reply.
    QByteArray handleRequest(const QByteArray &line);
    CommandReply handle(const CommandLine &command);

    static CommandReply usageError(const std::string &error);

private:
    using Start = std::function<void(PanelCommandTarget::Done)>;

    CommandReply status(bool json);
    CommandReply change(const Start &start);
    CommandReply window(void (PanelWindowTarget::*action)());
    std::optional<CommandReply> cardProblem();
    // Starts a change and runs the event loop until the card answered or
    // not, or the wait is over.
    bool answered(const Start &start);

    PanelCommandTarget &panel_;
    PanelWindowTarget *window_;
    std::chrono::milliseconds writeWait_;
};
