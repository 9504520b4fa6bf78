// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"
#include "CommandReply.h"
#include "PanelCommandTarget.h"
#include "PanelWindowTarget.h"

#include <QByteArray>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

// Carries out the commands that act on a panel, against the running panel
// or a run without a window, and says what to print and how to exit. A
// change is only started on a card that is ready, so a command refused for
// its card sends nothing.
//
// The reply to a change comes when the card has answered its write, which
// may be after other exchanges queued before it; meanwhile the event loop
// runs on, so further requests, clicks and the card's answers are served.
class CommandDispatcher {
public:
    using Reply = std::function<void(const CommandReply &reply)>;
    using EncodedReply = std::function<void(const QByteArray &reply)>;
    // What the running panel knows of the card for `orlenta diagnose`,
    // encoded; answered once, now or when the card has answered its read.
    using CardInspection = std::function<void(EncodedReply answer)>;

    // Longest wait for a write that another exchange holds up.
    static constexpr std::chrono::seconds kWriteWait{30};

    // window is null when no panel runs: show, hide and quit are refused.
    CommandDispatcher(PanelCommandTarget &panel, PanelWindowTarget *window,
                      std::chrono::milliseconds writeWait = kWriteWait);
    // A change still waiting is answered as cut short.
    ~CommandDispatcher();
    CommandDispatcher(const CommandDispatcher &) = delete;
    CommandDispatcher &operator=(const CommandDispatcher &) = delete;

    // One request line from the single-instance socket; reply gets the
    // encoded reply once, now or later.
    void handleRequest(const QByteArray &line, EncodedReply reply);
    void handle(const CommandLine &command, Reply reply);
    // Runs the event loop until the reply is there: for the run without a
    // window, where nothing else is waiting.
    CommandReply handleNow(const CommandLine &command);

    // The running panel's answer to diagnose; without one, diagnose is
    // refused as a request.
    void setCardInspection(CardInspection inspection) { cardInspection_ = std::move(inspection); }

    static CommandReply usageError(const std::string &error);
    // Why a change cannot start on the card as it stands, if it cannot.
    std::optional<CommandReply> cardProblem();

private:
    using Start = std::function<void(PanelCommandTarget::Done)>;
    struct Pending;

    CommandReply status(bool json);
    void change(const Start &start, Reply reply);
    CommandReply window(const CommandLine &command);
    void inspectCard(Reply reply);
    void conclude(const std::shared_ptr<Pending> &pending, bool answered);
    void finish(const std::shared_ptr<Pending> &pending, const CommandReply &reply);
    void stored(const std::filesystem::path &folder, std::error_code failure);

    PanelCommandTarget &panel_;
    PanelWindowTarget *window_;
    CardInspection cardInspection_;
    std::chrono::milliseconds writeWait_;
    std::vector<std::shared_ptr<Pending>> pending_;
    // The change being started: the settings files it writes are written
    // before its start returns.
    std::shared_ptr<Pending> starting_;
};
