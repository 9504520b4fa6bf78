// SPDX-License-Identifier: GPL-3.0-or-later
// What a command does to the panel, on a fake of it.
#include "CommandDispatcher.h"
#include "CommandRunner.h"
#include "DispatcherTestSupport.h"
#include "FakePanelWindow.h"
#include "PanelState.h"
#include "ParameterBlock.h"
#include "SingleInstance.h"

#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The panel as the commands see it: what it shows, every change recorded; a
// write is answered at once, later, or never.
class FakePanel : public PanelCommandTarget {
public:
    enum class Answer { Now, Later, Never, No };

    FakePanel()
    {
        shown.show(ParameterBlock::factory().unpack());
        shown.selectOnlyPreset(1);
    }

    void setStoreObserver(StoreObserver observer) override { storeObserver = std::move(observer); }
    CardState cardState() const override { return state; }
    PanelStatus status() const override
    {
        return shown.status(isConnected(state), state == CardState::Ready);
    }
    void apply(const PanelValues &values, Done done) override
    {
        applied.push_back(values);
        shown.show(values);
        store();
        finish(std::move(done));
    }
    void loadPreset(int preset, Done done) override
    {
        presetsLoaded.push_back(preset);
        shown.selectOnlyPreset(preset);
        finish(std::move(done));
        // As the dialog: the selection is stored after the write is sent.
        store();
    }
    void factoryReset(Done done) override
    {
        ++resets;
        store();
        finish(std::move(done));
    }

    int changes() const { return static_cast<int>(applied.size() + presetsLoaded.size()) + resets; }

    // The settings folder's writes fail with this when set.
    void store()
    {
        if (storeObserver)
            storeObserver("/home/u/.config/orlenta", storeFailure);
    }

    CardState state = CardState::Ready;
    Answer answer = Answer::Now;
    StoreObserver storeObserver;
    std::error_code storeFailure;
    PanelState shown;
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

CommandReply run(CommandDispatcher &dispatcher, const std::string &line)
{
    const CommandReply reply = panel_test::runRequest(dispatcher, line);
    EXPECT_NE(reply.exitCode, -1) << reply.err;
    return reply;
}

class CommandDispatcherTest : public testing::Test {
protected:
    FakePanel panel;
    FakePanelWindow window;
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
    // A card that reported a mode the panel does not offer, first thing.
    PanelValues oddMode = ParameterBlock::factory().unpack();
    oddMode.mode = 7;
    panel.shown = PanelState();
    panel.shown.show(oddMode);
    ASSERT_FALSE(panel.status().mode);
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
    } cases[] = {{CardState::Absent, 2},
                 {CardState::AccessDenied, 77},
                 {CardState::NotAnswering, 3},
                 {CardState::NoLibrary, 1}};
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

// The card has the change, but the settings folder did not keep it: said
// with where and why, and not a success; a store the panel made for its own
// clicks is not the command's.
TEST_F(CommandDispatcherTest, AChangeTheSettingsFolderDidNotKeepFailsWithOne)
{
    panel.storeFailure = std::make_error_code(std::errc::read_only_file_system);
    const std::string cause = panel.storeFailure.message();
    for (const char *line : {"set rec-vol=4", "preset 2", "reset"}) {
        const CommandReply reply = run(dispatcher, line);
        EXPECT_EQ(reply.exitCode, 1) << line;
        EXPECT_NE(reply.err.find("/home/u/.config/orlenta"), std::string::npos) << reply.err;
        EXPECT_NE(reply.err.find(cause), std::string::npos) << reply.err;
        EXPECT_NE(reply.out.find("preset: "), std::string::npos) << line;
    }
    // Also when the answer comes later, and next to a write left unanswered.
    panel.answer = FakePanel::Answer::Later;
    EXPECT_EQ(run(dispatcher, "mode sing").exitCode, 1);
    panel.answer = FakePanel::Answer::No;
    const CommandReply unanswered = run(dispatcher, "mode chat");
    EXPECT_EQ(unanswered.exitCode, 3);
    EXPECT_NE(unanswered.err.find(cause), std::string::npos) << unanswered.err;

    panel.answer = FakePanel::Answer::Now;
    panel.store();
    panel.storeFailure = {};
    EXPECT_EQ(run(dispatcher, "set rec-vol=5").exitCode, 0);
    EXPECT_EQ(run(dispatcher, "status").exitCode, 0);
}

TEST_F(CommandDispatcherTest, AWriteTheCardAnswersLaterIsWaitedFor)
{
    panel.answer = FakePanel::Answer::Later;
    const CommandReply reply = run(dispatcher, "set ducking-grade=8");
    EXPECT_EQ(reply.exitCode, 0);
    EXPECT_NE(reply.out.find("ducking-grade: 8\n"), std::string::npos);
}

// A change waiting for the card holds nothing up: the event loop runs on,
// other requests are served, and each gets its own reply.
TEST_F(CommandDispatcherTest, RequestsAreServedWhileAChangeWaits)
{
    panel.answer = FakePanel::Answer::Later;
    std::vector<CommandReply> replies;
    auto keep = [&replies](const QByteArray &reply) {
        replies.push_back(CommandReply::decode(reply).value_or(CommandReply{99, {}, {}}));
    };
    dispatcher.handleRequest("set fx-vol=4", keep);
    dispatcher.handleRequest("preset 2", keep);
    EXPECT_TRUE(replies.empty());
    dispatcher.handleRequest("status", keep);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_NE(replies[0].out.find("fx-vol: 4\n"), std::string::npos);

    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[1].exitCode, 0);
    EXPECT_EQ(replies[2].exitCode, 0);
    EXPECT_NE(replies[2].out.find("preset: 2\n"), std::string::npos);
}

// The panel ends while a change waits: the change is answered then, and the
// card's late word finds nothing to answer.
TEST_F(CommandDispatcherTest, APanelEndingAnswersTheChangesStillWaiting)
{
    std::vector<PanelCommandTarget::Done> held;
    struct HoldingPanel : FakePanel {
        std::vector<Done> *held = nullptr;
        void factoryReset(Done done) override { held->push_back(std::move(done)); }
    } holding;
    holding.held = &held;
    std::optional<CommandReply> reply;
    {
        CommandDispatcher ending(holding, &window);
        ending.handleRequest("reset", [&reply](const QByteArray &encoded) {
            reply = CommandReply::decode(encoded);
        });
        EXPECT_FALSE(reply);
    }
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->exitCode, 1);
    EXPECT_NE(reply->err.find("the panel ended"), std::string::npos);
    ASSERT_EQ(held.size(), 1u);
    held[0](true);
}

TEST_F(CommandDispatcherTest, WindowCommandsNeedARunningPanel)
{
    for (const char *line : {"show", "hide", "quit", "show token-7"})
        EXPECT_EQ(run(dispatcher, line), CommandReply{});
    EXPECT_EQ(window.actions, (std::vector<std::string>{"show", "hide", "quit", "show token-7"}));

    CommandDispatcher headless(panel, nullptr);
    const CommandReply reply = run(headless, "show");
    EXPECT_EQ(reply.exitCode, 69);
    EXPECT_NE(reply.err, "");
}

TEST_F(CommandDispatcherTest, ABadRequestIsAUsageErrorAndChangesNothing)
{
    for (const char *line :
         {"set master-vol=99", "set", "autostart on", "frobnicate", "", "hide now"}) {
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
        server =
            std::make_unique<SingleInstance>(QString::fromLatin1(CommandRunner::kInstanceName));
        claimed = server->claim();
        listening = server->listen([this](const QByteArray &line, const InstanceClient &client) {
            dispatcher.handleRequest(line,
                                     [client](const QByteArray &answer) { client.reply(answer); });
        });
    }

    struct Finished {
        int exitCode;
        QString out;
        QString err;
    };
    Finished start(const QStringList &args, const QString &activationToken = {})
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), activationToken);
        program.setProcessEnvironment(environment);
        QEventLoop loop;
        QObject::connect(&program, &QProcess::finished, &loop, &QEventLoop::quit);
        program.start(ORLENTA_SIM_STAGE_DIR "/Orlenta", args);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        return {program.exitCode(), program.readAllStandardOutput(),
                program.readAllStandardError()};
    }

    QTemporaryDir runtime;
    std::unique_ptr<SingleInstance> server;
    bool claimed = false;
    bool listening = false;
};

TEST_F(RunningPanelTest, TheRunningPanelCarriesTheCommandOutAndItsAnswerIsPrinted)
{
    ASSERT_TRUE(claimed);
    ASSERT_TRUE(listening);
    const Finished mode = start({"mode", "lwrd"});
    EXPECT_EQ(mode.exitCode, 0) << mode.err.toStdString();
    ASSERT_EQ(panel.applied.size(), 1u);
    EXPECT_EQ(panel.applied[0].mode, 2);
    EXPECT_TRUE(mode.out.contains("mode: lwrd\n"));

    panel.state = CardState::Absent;
    const Finished status = start({"status", "--json"});
    EXPECT_EQ(status.exitCode, 2);
    EXPECT_TRUE(status.out.startsWith("{\"connected\": false"));
    EXPECT_TRUE(status.err.contains("card not found"));

    EXPECT_EQ(start({"hide"}).exitCode, 0);
    EXPECT_EQ(start({"show"}, QStringLiteral("from-the-desktop")).exitCode, 0);
    EXPECT_EQ(window.actions, (std::vector<std::string>{"hide", "show from-the-desktop"}));
    // Checked before it is sent: the panel never sees it.
    EXPECT_EQ(start({"set", "music-vol=-1"}).exitCode, 64);
    EXPECT_EQ(panel.applied.size(), 1u);
}

} // namespace
