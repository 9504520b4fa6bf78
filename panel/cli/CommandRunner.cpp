// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandRunner.h"

#include "CommandTable.h"
#include "Diagnosis.h"
#include "DiagnosisText.h"
#include "LogCategories.h"
#include "PanelCardLink.h"
#include "ProgramFolder.h"
#include "SingleInstance.h"
#include "StatusWatch.h"
#include "StopSignals.h"
#include "UdevDeviceNotifier.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <iostream>

int CommandRunner::runFromMain(const CommandLine::Parsed &parsed, int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    Setup setup;
    setup.card.programFolder = ProgramFolder::path();
    if (parsed.command && parsed.command->goesToPanel())
        setup.card.settingsFolder = ProgramFolder::writablePath();
    SingleInstance panel(QString::fromLatin1(kInstanceName));
    setup.askPanel = [&panel](const QByteArray &line, std::chrono::milliseconds wait) {
        return panel.ask(line, wait);
    };
    setup.panelRunning = [&panel] { return panel.heldElsewhere(); };
    setup.autostart = AutostartEntry::forUser();
    if (parsed.command && parsed.command->kind == CommandLine::Kind::Watch) {
        setup.subscribeToPanel = [&panel](const QByteArray &line) { return panel.subscribe(line); };
        setup.panelSocket = SingleInstance::socketPath(QString::fromLatin1(kInstanceName));
        setup.makeNotifier = [] { return std::make_unique<UdevDeviceNotifier>(); };
        setup.stopOnSignals = true;
    }
    CommandLine::Parsed request = parsed;
    if (request.command && request.command->kind == CommandLine::Kind::Show)
        request.command->activationToken = activationToken();
    return run(request, setup, std::cout, std::cerr);
}

std::string CommandRunner::activationToken()
{
    return qEnvironmentVariable("XDG_ACTIVATION_TOKEN").trimmed().toStdString();
}

int CommandRunner::run(const CommandLine::Parsed &parsed, const Setup &setup, std::ostream &out,
                       std::ostream &err)
{
    if (parsed.command && parsed.command->kind == CommandLine::Kind::Watch)
        return watch(*parsed.command, setup, out, err);
    CommandReply reply;
    if (!parsed.command)
        reply = CommandDispatcher::usageError(parsed.error);
    else if (parsed.command->goesToPanel())
        reply = runOnPanel(*parsed.command, setup);
    else
        reply = runLocally(*parsed.command, setup);
    out << reply.out << std::flush;
    err << reply.err << std::flush;
    return reply.exitCode;
}

CommandReply CommandRunner::runLocally(const CommandLine &command, const Setup &setup)
{
    using Kind = CommandLine::Kind;
    if (command.kind == Kind::Help)
        return CommandReply{CommandReply::kDone, CommandLine::usage(), {}};
    if (command.kind == Kind::Version)
        return CommandReply{
            CommandReply::kDone, std::string("orlenta ") + ORLENTA_VERSION + "\n", {}};
    if (command.kind == Kind::Diagnose)
        return diagnose(command, setup);
    if (command.kind != Kind::Autostart)
        return CommandDispatcher::usageError("no command");
    std::string error;
    if (command.autostartOn) {
        if (!setup.autostart.enable(AutostartEntry::commandFor(setup.card.programFolder), error))
            return CommandReply::failure(CommandReply::kFailed, "orlenta: " + error);
        return CommandReply{CommandReply::kDone,
                            "Orlenta starts in the tray at login (" +
                                setup.autostart.path().string() + ")\n",
                            {}};
    }
    if (!setup.autostart.disable(error))
        return CommandReply::failure(CommandReply::kFailed, "orlenta: " + error);
    return CommandReply{CommandReply::kDone, "Orlenta no longer starts at login\n", {}};
}

CommandReply CommandRunner::runOnPanel(const CommandLine &command, const Setup &setup)
{
    const std::chrono::milliseconds wait = command.spec->cardWait == CommandSpec::CardWait::Write
                                               ? kChangeReplyWait
                                               : SingleInstance::kReplyWait;
    const std::optional<QByteArray> answer =
        setup.askPanel ? setup.askPanel(QByteArray::fromStdString(command.requestLine()), wait)
                       : std::nullopt;
    if (!answer && setup.panelRunning && setup.panelRunning())
        return CommandReply::failure(CommandReply::kFailed,
                                     "orlenta: the running panel did not answer");
    if (!answer)
        return runOnCard(command, setup);
    if (std::optional<CommandReply> reply = CommandReply::decode(*answer))
        return *reply;
    // A panel that only does what it is asked and closes says nothing.
    if (answer->isEmpty() && command.spec->route == CommandSpec::Route::RunningPanel)
        return CommandReply{};
    return CommandReply::failure(CommandReply::kFailed,
                                 "orlenta: the running panel did not answer");
}

int CommandRunner::watch(const CommandLine &command, const Setup &setup, std::ostream &out,
                         std::ostream &err)
{
    StatusWatch watch(setup, command, out, err);
    std::optional<StopSignals> stopSignals;
    if (setup.stopOnSignals)
        stopSignals.emplace([&watch] { watch.stop(); });
    return watch.run();
}

// No panel runs: the command opens the card itself when it needs the card.
CommandReply CommandRunner::runOnCard(const CommandLine &command, const Setup &setup)
{
    HidCardSession session(setup.card);
    if (command.spec->cardWait != CommandSpec::CardWait::None)
        session.openAndWait(setup.readWait);
    CommandDispatcher dispatcher(session, nullptr);
    return dispatcher.handleNow(command);
}

// The probes run here. A running panel has the card open, so the card
// section asks it instead of opening the card beside it; one that holds its
// place without answering is told as such, and the card left to it.
CommandReply CommandRunner::diagnose(const CommandLine &command, const Setup &setup)
{
    Diagnosis::Setup probes = Diagnosis::forProgramFolder(setup.card.programFolder);
    if (setup.panelRunning && setup.panelRunning()) {
        qCDebug(lcCli) << "a panel runs: the card section asks it";
        const std::filesystem::path library =
            setup.card.programFolder / HidControlLibrary::kFileName;
        probes.card.link = std::make_shared<PanelCardLink>(
            [&command, &setup] { return panelsCardAnswer(command, setup); },
            QString::fromStdString(library.string()));
    }
    const DiagnosisReport report = Diagnosis(probes).run();
    const QString text = command.json ? QString::fromUtf8(QJsonDocument(report.toJson()).toJson())
                                      : DiagnosisText::render(report);
    return CommandReply{report.exitStatus(), text.toStdString(), {}};
}

std::optional<QByteArray> CommandRunner::panelsCardAnswer(const CommandLine &command,
                                                          const Setup &setup)
{
    const std::optional<QByteArray> answer =
        setup.askPanel ? setup.askPanel(QByteArray::fromStdString(command.requestLine()),
                                        SingleInstance::kReplyWait)
                       : std::nullopt;
    const std::optional<CommandReply> reply = answer ? CommandReply::decode(*answer) : std::nullopt;
    if (!reply || reply->exitCode != CommandReply::kDone)
        return std::nullopt;
    return QByteArray::fromStdString(reply->out);
}
