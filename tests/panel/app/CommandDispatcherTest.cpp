// SPDX-License-Identifier: GPL-3.0-or-later
// What a command does to the panel, on a fake of it.
#include "CommandDispatcher.h"
#include "ControlBindings.h"
#include "ControlTable.h"
#include "ParameterBlock.h"
#include "SingleInstance.h"

#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using CardState = PanelCommandTarget::CardState;

// The panel as the commands see it: its controls in a table, every change
// recorded; a write is answered at once, later, or never.
class FakePanel : public PanelCommandTarget {
public:
    enum class Answer { Now, Later, Never, No };

    FakePanel()
    {
        bindings.show(ParameterBlock::factory().unpack());
        bindings.selectOnlyPreset(1);
    }

    CardState cardState() override { return state; }
    PanelStatus status() override
    {
        return PanelStatus::fromControls(controls, state != CardState::NotFound,
                                         state == CardState::Ready);
    }
    void apply(const PanelValues &values, Done done) override
    {
        applied.push_back(values);
        bindings.show(values);
        finish(std::move(done));
    }
    void loadPreset(int preset, Done done) override
    {
        presetsLoaded.push_back(preset);
        bindings.selectOnlyPreset(preset);
        finish(std::move(done));
    }
    void factoryReset(Done done) override
    {
        ++resets;
        finish(std::move(done));
    }

    int changes() const { return static_cast<int>(applied.size() + presetsLoaded.size()) + resets; }

    CardState state = CardState::Ready;
    Answer answer = Answer::Now;
    ControlTable controls;
    ControlBindings bindings{controls};
    std::vector<PanelValues> applied;
    std::vector<int> presetsLoaded;
    int resets = 0;

private:
    void finish(Done done)
    {
        switch (answer) {
        case Answer::Now:
            done(true);
            break;
        case Answer::No:
            done(false);
            break;
        case Answer::Later:
            QTimer::singleShot(20, [done] { done(true); });
            break;
        case Answer::Never:
            break;
        }
    }
};

class FakeWindow : public PanelWindowTarget {
public:
    void showWindow() override { actions.push_back("show"); }
    void hideWindow() override { actions.push_back("hide"); }
    void quitProgram() override { actions.push_back("quit"); }
    std::vector<std::string> actions;
};

CommandReply run(CommandDispatcher &dispatcher, const std::string &line)
{
    const std::optional<CommandReply> reply =
        CommandReply::decode(dispatcher.handleRequest(QByteArray::fromStdString(line + "\n")));
    EXPECT_TRUE(reply) << line;
    return reply.value_or(CommandReply{});
}

class CommandDispatcherTest : public testing::Test {
protected:
    FakePanel panel;
    FakeWindow window;
    CommandDispatcher dispatcher{panel, &window, std::chrono::milliseconds(300)};
};

TEST_F(CommandDispatcherTest, SetAppliesEveryPairToWhatThePanelShowsInOneChange)
{
    const CommandReply reply = run(dispatcher, "set master-vol=3 mode=chat mic-mute=on");
    EXPECT_EQ(reply.exitCode, 0);
    ASSERT_EQ(panel.applied.size(), 1u);
    PanelValues expected = ParameterBlock::factory().unpack();
    expected.masterVol = 3;
    expected.mode = 1;
    expected.micMute = true;
    EXPECT_EQ(panel.applied[0], expected);
    EXPECT_NE(reply.out.find("master-vol: 3\n"), std::string::npos);
    EXPECT_NE(reply.out.find("mode: chat\n"), std::string::npos);

    run(dispatcher, "mute mic toggle");
    run(dispatcher, "mute mic toggle");
    ASSERT_EQ(panel.applied.size(), 3u);
    EXPECT_FALSE(panel.applied[1].micMute);
    EXPECT_TRUE(panel.applied[2].micMute);
}

TEST_F(CommandDispatcherTest, AChangeLeavesUncheckedModeButtonsUnchecked)
{
    for (int radio : {1114, 1117, 1115, 1116, 1118, 1119})
        panel.controls.setChecked(radio, false);
    run(dispatcher, "set fx-vol=2");
    ASSERT_EQ(panel.applied.size(), 1u);
    EXPECT_FALSE(panel.status().mode);
}

TEST_F(CommandDispatcherTest, PresetAndResetGoThroughTheirButtons)
{
    EXPECT_EQ(run(dispatcher, "preset 3").exitCode, 0);
    EXPECT_EQ(panel.presetsLoaded, std::vector<int>{3});
    EXPECT_EQ(run(dispatcher, "reset").exitCode, 0);
    EXPECT_EQ(panel.resets, 1);
    EXPECT_NE(run(dispatcher, "status").out.find("preset: 3\n"), std::string::npos);
}

TEST_F(CommandDispatcherTest, ACardThatIsNotReadyGetsNothing)
{
    const struct {
        CardState state;
        int exitCode;
    } cases[] = {{CardState::NotFound, 2}, {CardState::Silent, 3}, {CardState::LibraryMissing, 1}};
    for (const auto &c : cases) {
        panel.state = c.state;
        for (const char *line : {"set master-vol=1", "mode sing", "preset 2", "reset"}) {
            const CommandReply reply = run(dispatcher, line);
            EXPECT_EQ(reply.exitCode, c.exitCode) << line;
            EXPECT_EQ(reply.out, "") << line;
            EXPECT_NE(reply.err, "") << line;
        }
        // Status still tells what it knows, and fails all the same.
        const CommandReply status = run(dispatcher, "status --json");
        EXPECT_EQ(status.exitCode, c.exitCode);
        EXPECT_NE(status.out.find("\"master-vol\": null"), std::string::npos);
    }
    EXPECT_EQ(panel.changes(), 0);
}

TEST_F(CommandDispatcherTest, AWriteTheCardDoesNotAnswerFailsWithThree)
{
    panel.answer = FakePanel::Answer::No;
    EXPECT_EQ(run(dispatcher, "set rec-vol=4").exitCode, 3);
    panel.answer = FakePanel::Answer::Never;
    EXPECT_EQ(run(dispatcher, "reset").exitCode, 3);
}

TEST_F(CommandDispatcherTest, AWriteQueuedBehindAnotherIsWaitedFor)
{
    panel.answer = FakePanel::Answer::Later;
    const CommandReply reply = run(dispatcher, "set ducking-grade=8");
    EXPECT_EQ(reply.exitCode, 0);
    EXPECT_NE(reply.out.find("ducking-grade: 8\n"), std::string::npos);
}

TEST_F(CommandDispatcherTest, WindowCommandsNeedARunningPanel)
{
    for (const char *line : {"show", "hide", "quit"})
        EXPECT_EQ(run(dispatcher, line), CommandReply{});
    EXPECT_EQ(window.actions, (std::vector<std::string>{"show", "hide", "quit"}));

    CommandDispatcher headless(panel, nullptr);
    const CommandReply reply = run(headless, "show");
    EXPECT_EQ(reply.exitCode, 69);
    EXPECT_NE(reply.err, "");
}

TEST_F(CommandDispatcherTest, ABadRequestIsAUsageErrorAndChangesNothing)
{
    for (const char *line : {"set master-vol=99", "set", "autostart on", "frobnicate", ""}) {
        const CommandReply reply = run(dispatcher, line);
        EXPECT_EQ(reply.exitCode, 64) << line;
        EXPECT_NE(reply.err, "") << line;
    }
    EXPECT_EQ(panel.changes(), 0);
    EXPECT_TRUE(window.actions.empty());
}

// The program started with a command while a panel runs: the command goes
// over the single-instance socket to the panel's dispatcher and the program
// prints its reply.
class RunningPanelTest : public CommandDispatcherTest {
protected:
    RunningPanelTest()
    {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        server.listen(SingleInstance::socketPath(QStringLiteral("vekCtrl")));
        QObject::connect(&server, &QLocalServer::newConnection, [this] {
            QLocalSocket *socket = server.nextPendingConnection();
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                socket->write(dispatcher.handleRequest(socket->readLine()));
                socket->disconnectFromServer();
            });
        });
    }

    struct Finished {
        int exitCode;
        QString out;
        QString err;
    };
    Finished start(const QStringList &args)
    {
        QProcess program;
        QEventLoop loop;
        QObject::connect(&program, &QProcess::finished, &loop, &QEventLoop::quit);
        program.start(ORLENTA_SIM_STAGE_DIR "/Orlenta", args);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        return {program.exitCode(), program.readAllStandardOutput(),
                program.readAllStandardError()};
    }

    QTemporaryDir runtime;
    QLocalServer server;
};

TEST_F(RunningPanelTest, TheRunningPanelCarriesTheCommandOutAndItsAnswerIsPrinted)
{
    ASSERT_TRUE(server.isListening());
    const Finished mode = start({"mode", "lwrd"});
    EXPECT_EQ(mode.exitCode, 0) << mode.err.toStdString();
    ASSERT_EQ(panel.applied.size(), 1u);
    EXPECT_EQ(panel.applied[0].mode, 2);
    EXPECT_TRUE(mode.out.contains("mode: lwrd\n"));

    panel.state = CardState::NotFound;
    const Finished status = start({"status", "--json"});
    EXPECT_EQ(status.exitCode, 2);
    EXPECT_TRUE(status.out.startsWith("{\"connected\": false"));
    EXPECT_TRUE(status.err.contains("card not found"));

    EXPECT_EQ(start({"hide"}).exitCode, 0);
    EXPECT_EQ(window.actions, std::vector<std::string>{"hide"});
    // Checked before it is sent: the panel never sees it.
    EXPECT_EQ(start({"set", "music-vol=-1"}).exitCode, 64);
    EXPECT_EQ(panel.applied.size(), 1u);
}

} // namespace
