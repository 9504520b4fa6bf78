// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandDispatcher.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace {

using CardState = PanelCommandTarget::CardState;

// A mode the send packs from the mode buttons as they are: when none is
// checked, a change of other settings leaves them unchecked, as a click on
// another control would.
constexpr int kModeAsShown = -1;

std::string cardMessage(CardState state)
{
    switch (state) {
    case CardState::Ready:
        return {};
    case CardState::NotFound:
        return "orlenta: card not found (USB 0c45:1f7d)";
    case CardState::Silent:
        return "orlenta: the card did not answer";
    case CardState::LibraryMissing:
        return "orlenta: the HID control library NUVAUDIOCTL.so could not be loaded";
    }
    return {};
}

int cardExitCode(CardState state)
{
    switch (state) {
    case CardState::Ready:
        return CommandReply::kDone;
    case CardState::NotFound:
        return CommandReply::kCardNotFound;
    case CardState::Silent:
        return CommandReply::kCardSilent;
    case CardState::LibraryMissing:
        return CommandReply::kFailed;
    }
    return CommandReply::kFailed;
}

} // namespace

CommandDispatcher::CommandDispatcher(PanelCommandTarget &panel, PanelWindowTarget *window,
                                     std::chrono::milliseconds writeWait)
    : panel_(panel), window_(window), writeWait_(writeWait)
{
}

CommandReply CommandDispatcher::usageError(const std::string &error)
{
    return CommandReply::failure(CommandReply::kUsage,
                                 "orlenta: " + error + "\nTry 'orlenta --help'.");
}

QByteArray CommandDispatcher::handleRequest(const QByteArray &line)
{
    const CommandLine::Parsed parsed = CommandLine::parseRequest(line.toStdString());
    if (!parsed.command)
        return usageError(parsed.error).encode();
    return handle(*parsed.command).encode();
}

CommandReply CommandDispatcher::handle(const CommandLine &command)
{
    using Kind = CommandLine::Kind;
    switch (command.kind) {
    case Kind::Status:
        return status(command.json);
    case Kind::Set:
        return change([this, &command](PanelCommandTarget::Done done) {
            const PanelStatus before = panel_.status();
            PanelValues values = before.values.value_or(PanelValues{});
            if (!before.mode)
                values.mode = kModeAsShown;
            panel_.apply(SettingAssignment::applyAll(values, command.changes), std::move(done));
        });
    case Kind::Preset:
        return change([this, &command](PanelCommandTarget::Done done) {
            panel_.loadPreset(command.preset, std::move(done));
        });
    case Kind::Reset:
        return change(
            [this](PanelCommandTarget::Done done) { panel_.factoryReset(std::move(done)); });
    case Kind::Show:
        return window(&PanelWindowTarget::showWindow);
    case Kind::Hide:
        return window(&PanelWindowTarget::hideWindow);
    case Kind::Quit:
        return window(&PanelWindowTarget::quitProgram);
    case Kind::StartPanel:
    case Kind::Help:
    case Kind::Version:
    case Kind::Autostart:
        break;
    }
    return usageError("not a request for the panel");
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

CommandReply CommandDispatcher::change(const Start &start)
{
    if (std::optional<CommandReply> problem = cardProblem())
        return *problem;
    if (!answered(start))
        return CommandReply::failure(
            CommandReply::kCardSilent,
            "orlenta: the card did not answer the write (the selected preset keeps the settings)");
    return CommandReply{CommandReply::kDone, panel_.status().toText(), {}};
}

CommandReply CommandDispatcher::window(void (PanelWindowTarget::*action)())
{
    if (!window_)
        return CommandReply::failure(CommandReply::kNoPanel,
                                     "orlenta: no panel is running (show, hide and quit act on "
                                     "the running panel; start it with 'orlenta')");
    (window_->*action)();
    return CommandReply{};
}

bool CommandDispatcher::answered(const Start &start)
{
    struct Outcome {
        bool finished = false;
        bool answered = false;
        QEventLoop *loop = nullptr;
    };
    // Shared, so a completion that comes after the wait gave up finds it.
    auto outcome = std::make_shared<Outcome>();
    start([outcome](bool answered) {
        outcome->finished = true;
        outcome->answered = answered;
        if (outcome->loop)
            outcome->loop->quit();
    });
    if (!outcome->finished) {
        QEventLoop loop;
        QTimer::singleShot(writeWait_, &loop, &QEventLoop::quit);
        outcome->loop = &loop;
        loop.exec();
        outcome->loop = nullptr;
    }
    return outcome->finished && outcome->answered;
}
