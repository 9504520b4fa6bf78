// SPDX-License-Identifier: GPL-3.0-or-later
// The whole diagnosis against the simulated program folder, with a sound
// server (the private one of scripts/services.sh) and without one.
#include "Diagnosis.h"
#include "DiagnosisText.h"
#include "FakeSystemTree.h"
#include "LibraryCardLink.h"
#include "WaveHeader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

namespace {

class DiagnosisTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (pulseServer)
            setenv("PULSE_SERVER", pulseServer->c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }

    void withoutSoundServer()
    {
        if (const char *server = std::getenv("PULSE_SERVER"))
            pulseServer = server;
        setenv("PULSE_SERVER", "unix:/nonexistent/orlenta-test/native", 1);
    }

    Diagnosis::Setup setup() const
    {
        Diagnosis::Setup setup;
        setup.program.programFolder = ORLENTA_SIM_STAGE_DIR;
        setup.program.settingsFolder = settings.path().toStdString();
        setup.session.environment = QProcessEnvironment();
        setup.card.sysRoot = tree.sysRoot();
        setup.card.devRoot = tree.devRoot();
        setup.card.udevRuleFolders = tree.udevRuleFolders();
        setup.card.link =
            std::make_shared<LibraryCardLink>(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so");
        return setup;
    }

    QTemporaryDir settings;
    FakeSystemTree tree;
    std::optional<std::string> pulseServer;
};

TEST_F(DiagnosisTest, WithoutASoundServerEverySectionIsThereAndTheVerdictSaysSo)
{
    withoutSoundServer();
    const DiagnosisReport report = Diagnosis(setup()).run();

    const QJsonObject json = report.toJson();
    EXPECT_EQ(json.keys(),
              (QStringList{"card", "problems", "program", "recorder", "session", "sound"}));
    EXPECT_FALSE(json["recorder"].toObject()["exists"].toBool());
    EXPECT_EQ(json["program"].toObject()["version"].toString(), ORLENTA_VERSION);
    EXPECT_TRUE(json["program"].toObject()["hid_library"].toObject()["simulated"].toBool());
    EXPECT_TRUE(json["program"].toObject()["hidapi"].isNull());
    EXPECT_EQ(json["card"].toObject()["state_read"].toObject()["checksum"].toString(), "right");
    EXPECT_TRUE(json["sound"].toObject()["server"].isNull());

    const QJsonArray problems = json["problems"].toArray();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0].toObject().keys(), (QStringList{"fix", "what"}));
    EXPECT_TRUE(problems[0].toObject()["what"].toString().startsWith("no sound server answered"));
    EXPECT_EQ(report.exitStatus(), 1);

    const QString text = DiagnosisText::render(report);
    for (const char *heading : {"program\n", "\nsession\n", "\ncard\n", "\nsound\n", "\nrecorder\n",
                                "\nproblems:\n  - no sound"})
        EXPECT_TRUE(text.contains(QLatin1String(heading))) << heading;
}

TEST_F(DiagnosisTest, WithTheCardAndItsSoundDevicesNothingIsWrong)
{
    const DiagnosisReport report = Diagnosis(setup()).run();

    EXPECT_TRUE(report.problems.empty()) << report.problems.front().what.toStdString();
    EXPECT_EQ(report.exitStatus(), 0);
    // The private server's devices, made the defaults by scripts/services.sh.
    EXPECT_EQ(report.sound["card_sink"].toObject()["name"].toString(), "vek");
    EXPECT_EQ(report.sound["card_source"].toObject()["name"].toString(), "vek_in");
    EXPECT_TRUE(report.sound["default_sink_is_card"].toBool());
    EXPECT_TRUE(report.sound["default_source_is_card"].toBool());
    EXPECT_TRUE(DiagnosisText::render(report).endsWith("problems: none found\n"));
}

// JSON holds every number as a double; the text a user pastes shows sizes whole.
TEST(DiagnosisTextTest, LargeSizesAreShownWhole)
{
    DiagnosisReport report;
    report.recorder["size_bytes"] = qint64(1764044);
    report.recorder["length_seconds"] = 10.5;
    const QString text = DiagnosisText::render(report);
    EXPECT_TRUE(text.contains("size_bytes: 1764044\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("length_seconds: 10.5\n")) << text.toStdString();
}

// A take the recorder never finished (the run ended during it): the report
// says so and what opening the recorder will do, and leaves the file alone.
TEST_F(DiagnosisTest, AnUnfinishedTakeIsReportedAndLeftAsItIs)
{
    const std::filesystem::path take = settings.filePath("NUVRecord.wav").toStdString();
    WaveHeader header;
    header.dataBytes = 176400; // one second counted
    std::ofstream file(take, std::ios::binary);
    const auto bytes = header.bytes();
    file.write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    file << std::string(3 * 176400, '\x01'); // three seconds there
    file.close();
    const auto before = std::filesystem::file_size(take);

    const DiagnosisReport report = Diagnosis(setup()).run();
    EXPECT_TRUE(report.recorder["exists"].toBool());
    EXPECT_EQ(report.recorder["header_data_bytes"].toInt(), 176400);
    EXPECT_DOUBLE_EQ(report.recorder["length_seconds"].toDouble(), 1.0);
    EXPECT_TRUE(report.recorder["recovery_would_change"].toBool());
    const bool told = std::any_of(report.problems.begin(), report.problems.end(),
                                  [](const DiagnosisProblem &problem) {
                                      return problem.what.contains("left unfinished") &&
                                             problem.fix.contains("repairs the take");
                                  });
    EXPECT_TRUE(told);
    EXPECT_EQ(std::filesystem::file_size(take), before);

    // Something that is no take at all: named, with where to put it.
    std::ofstream(take, std::ios::trunc) << "not a wave file";
    const DiagnosisReport junk = Diagnosis(setup()).run();
    EXPECT_TRUE(junk.recorder["header_data_bytes"].isNull());
    EXPECT_TRUE(
        std::any_of(junk.problems.begin(), junk.problems.end(),
                    [](const DiagnosisProblem &problem) { return problem.fix.contains("mv "); }));
}

TEST_F(DiagnosisTest, PresetFileThatDoesNotParseIsAProblem)
{
    std::ofstream(settings.filePath("UserConfig_2.ini").toStdString())
        << "[setting]\nsettingToVoice=0f0f4f15\n";

    const DiagnosisReport report = Diagnosis(setup()).run();

    const QJsonObject presets = report.program["preset_files"].toObject();
    EXPECT_EQ(presets["UserConfig_1.ini"].toString().left(7), "missing");
    EXPECT_EQ(presets["UserConfig_2.ini"].toString(),
              "does not parse: settingToVoice is '0f0f4f15'");
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].fix,
              "delete it: preset 2 then starts from the new-preset settings");
}

} // namespace
