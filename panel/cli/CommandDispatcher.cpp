// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandDispatcher.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

// A mode the send packs from the mode buttons as they are: when none is
// checked, a change of other settings leaves them unchecked, as a click on
// another control would.
constexpr int kModeAsShown = -1;

std::string cardMessage(CardState state)
{
    switch (state) {
    case CardState::Ready:
        return {};
    case CardState::Absent:
        return "orlenta: card not found (USB 0c45:1f7d)";
    case CardState::AccessDenied:
        return std::string("orlenta: ") + PanelCommandTarget::kAccessDeniedText;
    case CardState::Opening:
    case CardState::NotAnswering:
        return "orlenta: the card did not answer";
    case CardState::NoLibrary:
        return "orlenta: the HID control library NUVAUDIOCTL.so could not be loaded";
    }
    return {};
}

int cardExitCode(CardState state)
{
    switch (state) {
    case CardState::Ready:
        return CommandReply::kDone;
    case CardState::Absent:
        return CommandReply::kCardNotFound;
    case CardState::AccessDenied:
        return CommandReply::kNoPermission;
    case CardState::Opening:
    case CardState::NotAnswering:
        return CommandReply::kCardSilent;
    case CardState::NoLibrary:
        return CommandReply::kFailed;
    }
    return CommandReply::kFailed;
}

const std::string kWriteUnanswered =
    "orlenta: the card did not answer the write (the selected preset keeps the settings)";

} // namespace

// A change waiting for the card's answer, or for the wait to end.
struct CommandDispatcher::Pending {
    Reply reply;
    QTimer giveUp;
    bool starting = true;
    std::optional<bool> answered; // told while the change was still starting
    std::string notStored;        // where and why a settings file it wrote was not saved
    bool over = false;
};

CommandDispatcher::CommandDispatcher(PanelCommandTarget &panel, PanelWindowTarget *window,
                                     std::chrono::milliseconds writeWait)
    : panel_(panel), window_(window), writeWait_(writeWait)
{
    panel_.setStoreObserver([this](const std::filesystem::path &folder, std::error_code failure) {
        stored(folder, failure);
    });
}

CommandDispatcher::~CommandDispatcher()
{
    panel_.setStoreObserver({});
    const std::vector<std::shared_ptr<Pending>> waiting = pending_;
    for (const std::shared_ptr<Pending> &pending : waiting)
        finish(pending, CommandReply::failure(CommandReply::kFailed,
                                              "orlenta: the panel ended before the card answered "
                                              "(the selected preset keeps the settings)"));
}

CommandReply CommandDispatcher::usageError(const std::string &error)
{
    return CommandReply::failure(CommandReply::kUsage,
                                 "orlenta: " + error + "\nTry 'orlenta --help'.");
}

void CommandDispatcher::handleRequest(const QByteArray &line, EncodedReply reply)
{
    const CommandLine::Parsed parsed = CommandLine::parseRequest(line.toStdString());
    if (!parsed.command) {
        reply(usageError(parsed.error).encode());
        return;
    }
    handle(*parsed.command,
           [reply = std::move(reply)](const CommandReply &answer) { reply(answer.encode()); });
}

CommandReply CommandDispatcher::handleNow(const CommandLine &command)
{
    std::optional<CommandReply> result;
    QEventLoop loop;
    handle(command, [&result, &loop](const CommandReply &reply) {
        result = reply;
        loop.quit();
    });
    // Every change gives up after its wait, so the loop ends.
    if (!result)
        loop.exec();
    return result.value_or(CommandReply::failure(CommandReply::kFailed, kWriteUnanswered));
}

void CommandDispatcher::handle(const CommandLine &command, Reply reply)
{
    using Kind = CommandLine::Kind;
    switch (command.kind) {
    case Kind::Status:
        reply(status(command.json));
        return;
    case Kind::Set:
        change(
            [this, changes = command.changes](PanelCommandTarget::Done done) {
                const PanelStatus before = panel_.status();
                PanelValues values = before.values.value_or(PanelValues{});
                if (!before.mode)
                    values.mode = kModeAsShown;
                panel_.apply(SettingAssignment::applyAll(values, changes), std::move(done));
            },
            std::move(reply));
        return;
    case Kind::Preset:
        change([this, preset = command.preset](
                   PanelCommandTarget::Done done) { panel_.loadPreset(preset, std::move(done)); },
               std::move(reply));
        return;
    case Kind::Reset:
        change([this](PanelCommandTarget::Done done) { panel_.factoryReset(std::move(done)); },
               std::move(reply));
        return;
    case Kind::Show:
    case Kind::Hide:
    case Kind::Quit:
        reply(window(command));
        return;
    case Kind::Diagnose:
        inspectCard(std::move(reply));
        return;
    case Kind::Watch: // a subscription, kept by WatchSubscriptions
    case Kind::StartPanel:
    case Kind::Help:
    case Kind::Version:
    case Kind::Autostart:
        break;
    }
    reply(usageError("not a request for the panel"));
}

// The reply may come after this dispatcher has gone (the panel ending drops
// the read it waits for), so it holds nothing of it.
void CommandDispatcher::inspectCard(Reply reply)
{
    if (!cardInspection_) {
        reply(usageError("not a request for the panel"));
        return;
    }
    cardInspection_([reply = std::move(reply)](const QByteArray &answer) {
        reply(CommandReply{CommandReply::kDone, answer.toStdString(), {}});
    });
}

CommandReply CommandDispatcher::status(bool json)
{
    const CardState state = panel_.cardState();
    const PanelStatus status = panel_.status();
    CommandReply reply{cardExitCode(state), json ? status.toJson() : status.toText(), {}};
    if (state != CardState::Ready)
        reply.err = cardMessage(state) + "\n";
    return reply;
}

std::optional<CommandReply> CommandDispatcher::cardProblem()
{
    const CardState state = panel_.cardState();
    if (state == CardState::Ready)
        return std::nullopt;
    return CommandReply::failure(cardExitCode(state), cardMessage(state));
}

void CommandDispatcher::change(const Start &start, Reply reply)
{
    if (std::optional<CommandReply> problem = cardProblem()) {
        reply(*problem);
        return;
    }
    auto pending = std::make_shared<Pending>();
    pending->reply = std::move(reply);
    pending_.push_back(pending);
    pending->giveUp.setSingleShot(true);
    QObject::connect(
        &pending->giveUp, &QTimer::timeout, [this, weak = std::weak_ptr<Pending>(pending)] {
            if (const std::shared_ptr<Pending> held = weak.lock())
                finish(held, CommandReply::failure(CommandReply::kCardSilent, kWriteUnanswered));
        });
    pending->giveUp.start(writeWait_);
    // The completion may come after this dispatcher has gone (the panel
    // ending drops what waits); the destructor has answered it then. A change
    // started while this one waits for the card (requests come in from the
    // event loop) is the one starting until it returns.
    const std::shared_ptr<Pending> outer = std::exchange(starting_, pending);
    start([this, pending](bool answered) {
        if (pending->over)
            return;
        if (pending->starting)
            pending->answered = answered;
        else
            conclude(pending, answered);
    });
    starting_ = outer;
    // A write the card answered at once is told before the change has done
    // the rest of what a click does (a preset's selection is stored after
    // its write): the reply waits for that.
    pending->starting = false;
    if (pending->answered)
        conclude(pending, *pending->answered);
}

void CommandDispatcher::stored(const std::filesystem::path &folder, std::error_code failure)
{
    // Writes of the panel's own clicks are the panel's to tell; the first
    // failure is the one that matters.
    if (!failure || !starting_ || !starting_->notStored.empty())
        return;
    starting_->notStored =
        "the settings could not be saved in " + folder.string() + ": " + failure.message();
}

void CommandDispatcher::conclude(const std::shared_ptr<Pending> &pending, bool answered)
{
    if (!answered) {
        // The preset that would have kept the change did not keep it either.
        finish(pending,
               CommandReply::failure(CommandReply::kCardSilent,
                                     pending->notStored.empty()
                                         ? kWriteUnanswered
                                         : "orlenta: the card did not answer the write, and " +
                                               pending->notStored));
        return;
    }
    CommandReply reply{CommandReply::kDone, panel_.status().toText(), {}};
    if (!pending->notStored.empty()) {
        reply.exitCode = CommandReply::kFailed;
        reply.err = "orlenta: " + pending->notStored +
                    " (the card has the change, but its preset does not keep it)\n";
    }
    finish(pending, reply);
}

void CommandDispatcher::finish(const std::shared_ptr<Pending> &pending, const CommandReply &reply)
{
    if (pending->over)
        return;
    pending->over = true;
    pending->giveUp.stop();
    std::erase(pending_, pending);
    const Reply answer = std::move(pending->reply);
    answer(reply);
}

CommandReply CommandDispatcher::window(const CommandLine &command)
{
    if (!window_)
        return CommandReply::failure(CommandReply::kNoPanel,
                                     "orlenta: no panel is running (show, hide and quit act on "
                                     "the running panel; start it with 'orlenta')");
    switch (command.kind) {
    case CommandLine::Kind::Show:
        window_->showWindow(command.activationToken);
        break;
    case CommandLine::Kind::Hide:
        window_->hideWindow();
        break;
    default:
        window_->quitProgram();
        break;
    }
    return CommandReply{};
}
