// SPDX-License-Identifier: GPL-3.0-or-later
// Commands with no panel running: the card opened through the simulated
// device in the simulated program folder, as `orlenta` does without a window.
#include "CommandDispatcher.h"
#include "CommandRunner.h"
#include "DispatcherTestSupport.h"
#include "PanelTestSupport.h"
#include "ParameterBlock.h"
#include "PresetFiles.h"
#include "SimulatedDevice.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using panel_test::kReadRequest;
using panel_test::kZeroReport;
using panel_test::Report;

// The write the card must receive, built by hand rather than by the frame code under test.
Report writeOf(const ParameterBlock &block)
{
    return panel_test::writeReport(block.bytes());
}

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class HeadlessCommandTest : public testing::Test {
protected:
    HeadlessCommandTest()
    {
        device.reset();
        setup = panel_test::simulatedCardSetup(settings.path().toStdString());
        setup.autostart = AutostartEntry(settings.filePath("autostart").toStdString());
    }
    ~HeadlessCommandTest() override
    {
        if (handle)
            dlclose(handle);
    }

    Outcome run(const std::vector<std::string> &args)
    {
        std::ostringstream out;
        std::ostringstream err;
        const int exitCode = CommandRunner::run(CommandLine::parse(args), setup, out, err);
        return {exitCode, out.str(), err.str()};
    }

    // The module the run below loads by the same path, so these are its hands.
    void *handle = dlopen(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so", RTLD_NOW | RTLD_LOCAL);
    SimulatedDevice device{handle};
    QTemporaryDir settings;
    PresetFiles presets{settings.path().toStdString()};
    CommandRunner::Setup setup;
};

TEST_F(HeadlessCommandTest, StatusJsonReadsTheCardAndSetGivesTheSameBlockBack)
{
    ASSERT_TRUE(device.resolved());
    const ParameterBlock block({0x0F, 0x0F, 0x4F, 0x2A, 0x95, 0xB7, 0x60, 0xFE});
    device.setBlock(block.bytes());

    const Outcome status = run({"status", "--json"});
    ASSERT_EQ(status.exitCode, 0) << status.err;
    EXPECT_EQ(device.outputReports(), (std::vector<Report>{kReadRequest, kZeroReport}));
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(status.out)).object();
    EXPECT_EQ(json.keys(), (QStringList{"connected", "ducking-grade", "ducking-speed",
                                        "ducking-threshold", "fx-intensity", "fx-type", "fx-vol",
                                        "master-vol", "mic-mute", "mode", "music-mute", "music-vol",
                                        "preset", "rec-mute", "rec-vol", "sound-mix"}));
    const PanelValues shown = block.unpack();
    EXPECT_EQ(json["connected"].toBool(), true);
    EXPECT_EQ(json["mode"].toString(), "chat");
    EXPECT_EQ(json["master-vol"].toInt(), shown.masterVol);
    EXPECT_EQ(json["fx-type"].toInt(), shown.fxType);
    EXPECT_EQ(json["ducking-grade"].toInt(), shown.duckingGrade);
    EXPECT_EQ(json["mic-mute"].toBool(), shown.micMute);
    EXPECT_EQ(json["sound-mix"].toBool(), shown.soundMix);
    EXPECT_EQ(json["preset"].toInt(), 1);

    // Every key the JSON gives, set to what it says, writes the block it came from.
    std::vector<std::string> set{"set"};
    for (auto it = json.begin(); it != json.end(); ++it) {
        if (it.key() == "connected" || it.key() == "preset")
            continue;
        const QJsonValue value = it.value();
        const QString text = value.isBool()     ? (value.toBool() ? "on" : "off")
                             : value.isString() ? value.toString()
                                                : QString::number(value.toInt());
        set.push_back((it.key() + "=" + text).toStdString());
    }
    device.clearOutputReports();
    const Outcome written = run(set);
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{kReadRequest, kZeroReport, writeOf(block), kZeroReport}));
    EXPECT_EQ(presets.presetText(1), block.toText());
}

TEST_F(HeadlessCommandTest, SetWritesOneBlockAndKeepsItInTheSelectedPreset)
{
    presets.createMissing();
    presets.writeCurrentConfig(3);
    const Outcome outcome = run({"set", "master-vol=5", "mode=master", "rec-mute=on", "fx-type=1"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;

    PanelValues values = ParameterBlock::factory().unpack();
    values.masterVol = 5;
    values.mode = 5;
    values.recMute = true;
    values.fxType = 1;
    const ParameterBlock expected = ParameterBlock::pack(values);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{kReadRequest, kZeroReport, writeOf(expected), kZeroReport}));
    EXPECT_EQ(device.block(), expected.bytes());
    EXPECT_EQ(presets.presetText(3), expected.toText());
    EXPECT_EQ(presets.presetText(1), ParameterBlock::newPreset().toText());
    EXPECT_EQ(presets.currentConfig(), "3");
    EXPECT_NE(outcome.out.find("mode: master\n"), std::string::npos);
}

TEST_F(HeadlessCommandTest, PresetLoadsAsItsButtonAndResetAsTheFactoryButton)
{
    presets.createMissing();
    const ParameterBlock stored({0x0F, 0x0F, 0x4F, 0x07, 0xC3, 0x71, 0x52, 0x8A});
    presets.writePresetText(2, "0F0F4F07C371528A"); // capitals, as an old file may hold
    ASSERT_EQ(run({"preset", "2"}).exitCode, 0);
    EXPECT_EQ(device.outputReports().at(2), writeOf(stored));
    EXPECT_EQ(presets.currentConfig(), "2");
    EXPECT_EQ(presets.presetText(2), stored.toText());

    device.clearOutputReports();
    ASSERT_EQ(run({"reset"}).exitCode, 0);
    EXPECT_EQ(device.outputReports().at(2), writeOf(ParameterBlock::factory()));
    EXPECT_EQ(presets.presetText(2), ParameterBlock::factory().toText());
}

TEST_F(HeadlessCommandTest, BadInputSendsNothingAndWritesNoFile)
{
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"set", "master-vol=5", "fx-type=7"},
                                               {"set", "mode=karaoke"},
                                               {"mute", "mic", "yes"},
                                               {"preset", "5"},
                                               {"statuss"}}) {
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.exitCode, 64) << args[0];
        EXPECT_NE(outcome.err.find("orlenta: "), std::string::npos);
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_TRUE(device.outputReports().empty());
    EXPECT_TRUE(QDir(settings.path()).isEmpty());
}

TEST_F(HeadlessCommandTest, AMissingOrSilentCardIsTwoOrThree)
{
    device.unplug();
    const Outcome missing = run({"set", "master-vol=1"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("card not found"), std::string::npos);
    EXPECT_EQ(run({"status"}).exitCode, 2);
    EXPECT_TRUE(device.outputReports().empty());

    device.plug();
    device.setAnswerMode(SIM_ANSWER_SILENT);
    const Outcome silent = run({"mode", "sing"});
    EXPECT_EQ(silent.exitCode, 3);
    // Only read requests went out, asked again while the wait lasted: nothing
    // was written.
    const std::vector<Report> sent = device.outputReports();
    EXPECT_GE(std::count(sent.begin(), sent.end(), kReadRequest), 2);
    for (const Report &report : sent)
        EXPECT_TRUE(report == kReadRequest || report == kZeroReport);
}

TEST_F(HeadlessCommandTest, ACardThisUserMayNotOpenIsSeventySevenAndNamesTheRule)
{
    ASSERT_TRUE(device.resolved());
    device.setAccessDenied(true);
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"status"}, {"set", "master-vol=1"}}) {
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.exitCode, 77) << args[0];
        EXPECT_EQ(outcome.err.find("card not found"), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("70-orlenta.rules"), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("Running against a real card"), std::string::npos);
    }
    EXPECT_TRUE(device.outputReports().empty());

    // Once the rule is in place the same card is simply there.
    device.setAccessDenied(false);
    EXPECT_EQ(run({"status"}).exitCode, 0);
}

TEST_F(HeadlessCommandTest, ACardThatMissesTheFirstReadIsWaitedFor)
{
    ASSERT_TRUE(device.resolved());
    const ParameterBlock block({0x0F, 0x0F, 0x4F, 0x2A, 0x95, 0xB7, 0x60, 0xFE});
    device.setBlock(block.bytes());
    device.setAnswerMode(SIM_ANSWER_SILENT);
    // The card wakes once its first read request has gone unanswered and been
    // released: only a later attempt can get the answer.
    QTimer wake;
    QObject::connect(&wake, &QTimer::timeout, [&] {
        if (device.outputReports().size() >= 2) {
            device.setAnswerMode(SIM_ANSWER_NORMAL);
            wake.stop();
        }
    });
    wake.start(1);
    setup.readWait = std::chrono::milliseconds(5000);

    const Outcome status = run({"status", "--json"});
    ASSERT_EQ(status.exitCode, 0) << status.err;
    const std::vector<Report> sent = device.outputReports();
    EXPECT_GE(std::count(sent.begin(), sent.end(), kReadRequest), 2);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(status.out)).object();
    EXPECT_EQ(json["master-vol"].toInt(), block.unpack().masterVol);

    // A change waits for the read the same way, then writes.
    device.setAnswerMode(SIM_ANSWER_SILENT);
    device.clearOutputReports();
    wake.start(1);
    const Outcome set = run({"set", "fx-vol=2"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    PanelValues values = block.unpack();
    values.fxVol = 2;
    EXPECT_EQ(device.block(), ParameterBlock::pack(values).bytes());
}

TEST_F(HeadlessCommandTest, AnUnansweredWriteIsThreeAndThePresetKeepsTheChange)
{
    HidCardSession panel(setup.card);
    ASSERT_EQ(panel.openAndWait(setup.readWait), CardState::Ready);
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CommandDispatcher dispatcher(panel, nullptr);
    const CommandReply reply =
        dispatcher.handleNow(*CommandLine::parse({"set", "fx-vol=1"}).command);
    EXPECT_EQ(reply.exitCode, 3);
    PanelValues values = ParameterBlock::factory().unpack();
    values.fxVol = 1;
    EXPECT_EQ(presets.presetText(1), ParameterBlock::pack(values).toText());
}

// A settings folder that cannot be written: the card gets the change all the
// same, the command says where and why it was not kept and fails.
TEST_F(HeadlessCommandTest, ASettingsFolderThatCannotBeWrittenIsOneAndTheCardKeepsTheChange)
{
    ASSERT_TRUE(device.resolved());
    std::filesystem::path folder = settings.filePath("read-only").toStdString();
    if (geteuid() != 0) {
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        ASSERT_EQ(chmod(folder.c_str(), 0500), 0);
    } else {
        // Root writes into any folder whatever its mode; a folder whose
        // parent is a file cannot be written by anyone.
        const std::filesystem::path file = settings.filePath("a-file").toStdString();
        std::ofstream(file) << "not a folder\n";
        folder = file / "orlenta";
    }
    setup.card.settingsFolder = folder;

    const Outcome set = run({"set", "master-vol=3"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_NE(set.err.find(folder.string()), std::string::npos) << set.err;
    const std::string cause = std::make_error_code(geteuid() != 0 ? std::errc::permission_denied
                                                                  : std::errc::not_a_directory)
                                  .message();
    EXPECT_NE(set.err.find(cause), std::string::npos) << set.err;
    EXPECT_NE(set.out.find("master-vol: 3\n"), std::string::npos);
    EXPECT_EQ(ParameterBlock(device.block()).unpack().masterVol, 3);

    const Outcome preset = run({"preset", "2"});
    EXPECT_EQ(preset.exitCode, 1);
    EXPECT_NE(preset.err.find(folder.string()), std::string::npos) << preset.err;
    chmod(folder.c_str(), 0700);
}

TEST_F(HeadlessCommandTest, ARunningPanelIsAskedFirstAndTheCardLeftToIt)
{
    using std::chrono::milliseconds;
    std::vector<QByteArray> asked;
    std::vector<milliseconds> waits;
    setup.askPanel = [&](const QByteArray &line, milliseconds wait) -> std::optional<QByteArray> {
        asked.push_back(line);
        waits.push_back(wait);
        return CommandReply{0, "as the panel shows it\n", {}}.encode();
    };
    const Outcome outcome = run({"set", "mode=mc", "sound-mix=off"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "as the panel shows it\n");
    run({"status"});
    EXPECT_EQ(asked, (std::vector<QByteArray>{"set mode=mc sound-mix=off\n", "status\n"}));
    // A change may wait behind the panel's other exchanges; a status does not.
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_GT(waits[0], CommandDispatcher::kWriteWait);
    EXPECT_LT(waits[1], CommandDispatcher::kWriteWait);
    EXPECT_TRUE(device.outputReports().empty());

    // A panel that closes without a word has done a show, but not a status.
    setup.askPanel = [](const QByteArray &, milliseconds) {
        return std::optional<QByteArray>(QByteArray());
    };
    EXPECT_EQ(run({"show"}).exitCode, 0);
    EXPECT_EQ(run({"status"}).exitCode, 1);

    // A panel that holds its place but never answers: the card stays its own.
    setup.askPanel = [](const QByteArray &, milliseconds) { return std::optional<QByteArray>(); };
    setup.panelRunning = [] { return true; };
    const Outcome hung = run({"mute", "mic", "on"});
    EXPECT_EQ(hung.exitCode, 1);
    EXPECT_NE(hung.err.find("the running panel did not answer"), std::string::npos);
    EXPECT_TRUE(device.outputReports().empty());

    setup.panelRunning = [] { return false; };
    const Outcome nobody = run({"quit"});
    EXPECT_EQ(nobody.exitCode, 69);
    EXPECT_NE(nobody.err.find("no panel is running"), std::string::npos);
    EXPECT_TRUE(device.outputReports().empty());
}

} // namespace
