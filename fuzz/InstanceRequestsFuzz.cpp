// SPDX-License-Identifier: GPL-3.0-or-later
// Request lines as any program of the user may write them to the running
// panel's single-instance socket: every command, the watch subscription
// included, or bytes that are none. The panel is put together as the
// program puts it (socket, dispatcher, watchers) over a fake session with a
// card that answers. A request refused as bad changes nothing on the card or
// the window; one taken makes exactly the change it names; a watch gets the
// status at once and then the change that follows; and after every request
// the panel still answers a status request.
#include "CommandDispatcher.h"
#include "CommandLine.h"
#include "CommandRunner.h"
#include "CommandTable.h"
#include "FakeCardSession.h"
#include "FakePanelWindow.h"
#include "FuzzCheck.h"
#include "ParameterBlock.h"
#include "ScratchFolder.h"
#include "SingleInstance.h"
#include "WatchSubscriptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>

#include <sys/stat.h>

#include <functional>
#include <optional>

namespace {

constexpr int kLongestWaitMs = 2000;
constexpr std::size_t kLongestInput = 2 * SingleInstance::kMaxRequestLength;
const QString kInstance = QString::fromLatin1(CommandRunner::kInstanceName);

struct RunningPanel {
    RunningPanel()
    {
        session.setCardState(CardState::Ready);
        FUZZ_CHECK(server.claim());
        FUZZ_CHECK(server.listen([this](const QByteArray &request, const InstanceClient &client) {
            if (!watchers.subscribe(request, client))
                dispatcher.handleRequest(
                    request, [client](const QByteArray &answer) { client.reply(answer); });
        }));
    }

    FakeCardSession session;
    FakePanelWindow window;
    CommandDispatcher dispatcher{session, &window};
    WatchSubscriptions watchers{session};
    SingleInstance server{kInstance};
};

RunningPanel *panel = nullptr;

bool runEventsUntil(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < kLongestWaitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // Connections that ended go as they would from the program's loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done();
}

std::optional<CommandReply> nextReply(QLocalSocket &client)
{
    if (!runEventsUntil(
            [&] { return client.canReadLine() || client.state() != QLocalSocket::ConnectedState; }))
        return std::nullopt;
    return CommandReply::decode(client.readLine().trimmed());
}

std::optional<CommandReply> request(const QByteArray &bytes)
{
    QLocalSocket client;
    client.connectToServer(SingleInstance::socketPath(kInstance));
    FUZZ_CHECK(client.waitForConnected(kLongestWaitMs));
    client.write(bytes);
    client.flush();
    return nextReply(client);
}

bool isChange(CommandLine::Kind kind)
{
    using Kind = CommandLine::Kind;
    return kind == Kind::Set || kind == Kind::Preset || kind == Kind::Reset;
}

void checkWatch(QLocalSocket &client, const CommandReply &first, bool json)
{
    FUZZ_CHECK(first.exitCode == CommandReply::kDone);
    FUZZ_CHECK(
        first.out.starts_with(json ? "{\"connected\": true" : "[connection] connected: yes"));
    FUZZ_CHECK(panel->session.calls.empty());
    PanelValues values = panel->session.shown().values();
    values.micMute = !values.micMute;
    panel->session.report(values);
    const std::optional<CommandReply> told = nextReply(client);
    FUZZ_CHECK(told && told->exitCode == CommandReply::kDone);
    FUZZ_CHECK(told->out.find(json ? "\"source\": \"card\"}" : "[card] mic-mute: ") !=
               std::string::npos);
}

void checkAnswer(const CommandLine::Parsed &parsed, const CommandReply &reply)
{
    const std::size_t changes = panel->session.calls.size();
    const std::size_t actions = panel->window.actions.size();
    if (!parsed.command) {
        FUZZ_CHECK(reply.exitCode == CommandReply::kUsage);
        FUZZ_CHECK(changes == 0 && actions == 0);
        return;
    }
    FUZZ_CHECK(reply.exitCode == CommandReply::kDone);
    FUZZ_CHECK(changes == (isChange(parsed.command->kind) ? 1u : 0u));
    FUZZ_CHECK(actions ==
               (parsed.command->spec->route == CommandSpec::Route::RunningPanel ? 1u : 0u));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    const std::filesystem::path runtime = ScratchFolder::path() / "run";
    ::mkdir(runtime.c_str(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtime.c_str());
    panel = new RunningPanel;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data),
                           qsizetype(std::min(size, kLongestInput)));
    panel->session.calls.clear();
    panel->window.actions.clear();

    QLocalSocket client;
    client.connectToServer(SingleInstance::socketPath(kInstance));
    FUZZ_CHECK(client.waitForConnected(kLongestWaitMs));
    client.write(bytes);
    client.flush();
    const qsizetype end = bytes.indexOf('\n');
    if (end < 0 || end > SingleInstance::kMaxRequestLength) {
        // Not a request, or not yet: no answer, and nothing done. Past the
        // longest request the panel hangs up.
        if (bytes.size() > SingleInstance::kMaxRequestLength)
            FUZZ_CHECK(
                runEventsUntil([&] { return client.state() != QLocalSocket::ConnectedState; }));
        else
            QCoreApplication::processEvents();
        FUZZ_CHECK(client.bytesAvailable() == 0);
    } else {
        const CommandLine::Parsed parsed =
            CommandLine::parseRequest(bytes.left(end + 1).toStdString());
        const std::optional<CommandReply> reply = nextReply(client);
        FUZZ_CHECK(reply.has_value());
        if (parsed.command && parsed.command->kind == CommandLine::Kind::Watch)
            checkWatch(client, *reply, parsed.command->json);
        else
            checkAnswer(parsed, *reply);
    }
    client.abort();
    FUZZ_CHECK(panel->session.calls.size() <= 1 && panel->window.actions.size() <= 1);

    const std::optional<CommandReply> status = request("status\n");
    FUZZ_CHECK(status && status->exitCode == CommandReply::kDone);
    runEventsUntil([] { return panel->watchers.count() == 0; });
    FUZZ_CHECK(panel->watchers.count() == 0);
    return 0;
}
