// SPDX-License-Identifier: GPL-3.0-or-later
// `orlenta watch`: the lines it prints, the running panel's watchers on the
// single-instance socket, and a watch that follows the card itself across
// unplug and plug and changes over to a panel that starts and back.
#include "CommandDispatcher.h"
#include "CommandRunner.h"
#include "DispatcherTestSupport.h"
#include "FakeCardSession.h"
#include "FakeDeviceNotifier.h"
#include "PanelTestSupport.h"
#include "ParameterBlock.h"
#include "SingleInstance.h"
#include "StatusWatch.h"
#include "WatchLines.h"
#include "WatchSubscriptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <sstream>

namespace {

const QString kInstance = QString::fromLatin1(CommandRunner::kInstanceName);

QJsonObject jsonOf(const std::string &line)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

bool runEventsUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Connections that ended go as they would from the program's loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

PanelStatus readyStatus()
{
    PanelStatus status;
    status.connected = true;
    status.values = ParameterBlock::factory().unpack();
    status.mode = status.values->mode;
    status.preset = 1;
    return status;
}

TEST(WatchLinesTest, JsonIsTheStatusWithItsSourceAndTextTellsWhatChanged)
{
    PanelStatus status = readyStatus();
    WatchLines json(true);
    QJsonObject line = jsonOf(json.line(status, "card"));
    EXPECT_EQ(line.take("source").toString(), "card");
    EXPECT_EQ(line, jsonOf(status.toJson()));

    WatchLines text(false);
    const std::string first = text.line(status, "connection");
    EXPECT_TRUE(first.starts_with("[connection] connected: yes, mode: sing, master-vol: 12, "))
        << first;
    EXPECT_TRUE(first.ends_with(", sound-mix: on, preset: 1\n")) << first;
    status.values->micMute = true;
    status.values->masterVol = 3;
    EXPECT_EQ(text.line(status, "card"), "[card] master-vol: 3, mic-mute: on\n");
    EXPECT_EQ(text.line(status, "command"), "[command] no change\n");
    status.connected = false;
    status.values.reset();
    const std::string removed = text.line(status, "connection");
    EXPECT_TRUE(removed.starts_with("[connection] connected: no, mode: unknown, ")) << removed;
    EXPECT_TRUE(removed.ends_with(", sound-mix: unknown\n")) << removed;
}

// The running panel's side: the dispatcher and the watchers on the socket as
// the program puts them together, over a fake session.
class RunningPanel {
public:
    RunningPanel()
    {
        session.setCardState(CardState::Ready);
        claimed = server.claim();
        listening = server.listen([this](const QByteArray &request, const InstanceClient &client) {
            if (!watchers.subscribe(request, client))
                dispatcher.handleRequest(
                    request, [client](const QByteArray &answer) { client.reply(answer); });
        });
    }

    FakeCardSession session;
    CommandDispatcher dispatcher{session, nullptr};
    WatchSubscriptions watchers{session};
    SingleInstance server{kInstance};
    bool claimed = false;
    bool listening = false;
};

// A staged `orlenta` started with arguments, its output collected as it comes.
class Program {
public:
    explicit Program(const QStringList &args)
    {
        process.setProgram(ORLENTA_SIM_STAGE_DIR "/Orlenta");
        process.setArguments(args);
        process.start();
    }
    ~Program()
    {
        process.kill();
        process.waitForFinished(5000);
    }
    std::vector<std::string> lines()
    {
        out += process.readAllStandardOutput().toStdString();
        return linesOf(out);
    }
    std::string last() { return lines().empty() ? std::string() : lines().back(); }
    bool ended() const { return process.state() == QProcess::NotRunning; }

    QProcess process;
    std::string out;
};

class WatchTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }

    QTemporaryDir runtime;
};

// Any number watch at once, each told at once and at every change; one that
// stops reading is dropped, and the others and the panel's answers go on.
TEST_F(WatchTest, EveryWatcherIsToldAndOneThatStopsReadingIsDropped)
{
    RunningPanel panel;
    ASSERT_TRUE(panel.claimed && panel.listening);
    std::vector<std::unique_ptr<Program>> watches;
    watches.push_back(std::make_unique<Program>(QStringList{"watch", "--json"}));
    watches.push_back(std::make_unique<Program>(QStringList{"watch", "--json"}));
    watches.push_back(std::make_unique<Program>(QStringList{"watch"}));
    auto allHave = [&](std::size_t count) {
        return std::all_of(watches.begin(), watches.end(),
                           [&](const auto &watch) { return watch->lines().size() >= count; });
    };
    ASSERT_TRUE(runEventsUntil([&] { return allHave(1); }));
    EXPECT_EQ(jsonOf(watches[0]->last())["source"].toString(), "connection");
    EXPECT_EQ(jsonOf(watches[0]->last())["connected"].toBool(), true);
    EXPECT_TRUE(watches[2]->last().starts_with("[connection] connected: yes, mode: sing"));

    PanelValues values = ParameterBlock::factory().unpack();
    values.micMute = true;
    panel.session.report(values);
    ASSERT_TRUE(runEventsUntil([&] { return allHave(2); }));
    EXPECT_EQ(jsonOf(watches[1]->last())["source"].toString(), "card");
    EXPECT_EQ(jsonOf(watches[1]->last())["mic-mute"].toBool(), true);
    EXPECT_EQ(watches[2]->last(), "[card] mic-mute: on");

    SingleInstance client(kInstance);
    const std::unique_ptr<QLocalSocket> stalled = client.subscribe("watch --json");
    ASSERT_TRUE(stalled);
    stalled->setReadBufferSize(1024);
    ASSERT_TRUE(runEventsUntil([&] { return panel.watchers.count() == 4; }));
    // The card's reports in bursts that the watches that read keep up with.
    int reports = 0;
    while (panel.watchers.count() == 4 && reports < 5000) {
        for (int burst = 0; burst < 20; ++burst) {
            values.masterVol = reports++ % 2;
            panel.session.report(values);
        }
        ASSERT_TRUE(runEventsUntil([&] { return allHave(std::size_t(reports) + 2); }));
    }
    EXPECT_EQ(panel.watchers.count(), 3u) << reports << " reports";
    EXPECT_EQ(jsonOf(watches[0]->last())["master-vol"].toInt(), (reports - 1) % 2);

    Program status({"status"});
    ASSERT_TRUE(runEventsUntil([&] { return status.ended(); }));
    EXPECT_EQ(status.process.exitCode(), 0);

    // Interrupted: each ends as it would on its own.
    watches[0]->process.terminate();
    ::kill(pid_t(watches[2]->process.processId()), SIGINT);
    ASSERT_TRUE(runEventsUntil([&] { return watches[0]->ended() && watches[2]->ended(); }));
    for (int i : {0, 2}) {
        EXPECT_EQ(watches[i]->process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(watches[i]->process.exitCode(), 0);
    }
    EXPECT_TRUE(runEventsUntil([&] { return panel.watchers.count() == 1; }));
}

// No panel: the watch opens the card itself and follows it across unplug
// and plug; a panel that starts gets the card, and when it ends the watch
// takes the card again.
class OwnCardWatchTest : public WatchTest {
protected:
    OwnCardWatchTest()
    {
        device.reset();
        setup = panel_test::simulatedCardSetup(settings.path().toStdString());
        setup.makeNotifier = [this] {
            auto made = std::make_unique<FakeDeviceNotifier>();
            notifier = made.get();
            return made;
        };
        setup.subscribeToPanel = [this](const QByteArray &line) { return client->subscribe(line); };
        setup.panelRunning = [this] { return client->heldElsewhere(); };
    }
    ~OwnCardWatchTest() override
    {
        if (handle)
            dlclose(handle);
    }

    void SetUp() override
    {
        WatchTest::SetUp();
        client = std::make_unique<SingleInstance>(kInstance);
        setup.panelSocket = SingleInstance::socketPath(kInstance);
    }

    // Steps run in turn from the watch's event loop, each once the lines
    // printed so far meet its condition; a step left waiting ends the watch.
    struct Step {
        std::function<bool(const std::vector<std::string> &lines)> ready;
        std::function<void()> action;
    };
    int runScript(StatusWatch &watch, std::vector<Step> steps)
    {
        std::size_t next = 0;
        QElapsedTimer sinceStep;
        sinceStep.start();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (next < steps.size() && steps[next].ready(linesOf(out.str()))) {
                steps[next++].action();
                sinceStep.restart();
            } else if (sinceStep.elapsed() > 10000) {
                ADD_FAILURE() << "step " << next << " waited in vain; lines:\n" << out.str();
                watch.stop();
            }
        });
        tick.start(10);
        return watch.run();
    }

    void *handle = dlopen(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so", RTLD_NOW | RTLD_LOCAL);
    SimulatedDevice device{handle};
    QTemporaryDir settings;
    CommandRunner::Setup setup;
    FakeDeviceNotifier *notifier = nullptr;
    std::unique_ptr<SingleInstance> client;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(OwnCardWatchTest, FollowsTheCardAcrossUnplugAndPlugAndChangesOverToAPanel)
{
    ASSERT_TRUE(device.resolved());
    const CommandLine command = *CommandLine::parse({"watch", "--json"}).command;
    StatusWatch watch(setup, command, out, err);
    std::unique_ptr<RunningPanel> panel;
    auto last = [](const std::vector<std::string> &lines) { return jsonOf(lines.back()); };
    auto from = [&](const char *source, const std::function<bool(const QJsonObject &)> &test) {
        return [=](const std::vector<std::string> &lines) {
            return !lines.empty() && last(lines)["source"] == source && test(last(lines));
        };
    };
    PanelValues muted = ParameterBlock::factory().unpack();
    muted.micMute = true;
    PanelValues onThePanel = ParameterBlock::factory().unpack();
    onThePanel.masterVol = 7;

    const int exitCode = runScript(
        watch, {
                   {from("connection", [](auto line) { return line["mic-mute"] == false; }),
                    [&] { device.injectStateReport(ParameterBlock::pack(muted).bytes()); }},
                   {from("card", [](auto line) { return line["mic-mute"] == true; }),
                    [&] {
                        device.unplug();
                        notifier->unplug();
                    }},
                   {from("connection", [](auto line) { return line["connected"] == false; }),
                    [&] {
                        device.plug();
                        notifier->plug();
                    }},
                   {from("connection", [](auto line) { return line["mic-mute"] == true; }),
                    [&] {
                        panel = std::make_unique<RunningPanel>();
                        panel->session.report(onThePanel);
                    }},
                   {from("connection", [](auto line) { return line["master-vol"] == 7; }),
                    [&] { panel->session.report(muted); }},
                   {from("card", [](auto line) { return line["master-vol"] == 12; }),
                    [&] { panel.reset(); }},
                   {from("connection", [](auto line) { return line["connected"] == true; }),
                    [&] { watch.stop(); }},
               });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(err.str(), "");
    // The card was only read: each open asked for its block, nothing was written.
    for (const panel_test::Report &report : device.outputReports())
        EXPECT_TRUE(report == panel_test::kReadRequest || report == panel_test::kZeroReport);
}

} // namespace
