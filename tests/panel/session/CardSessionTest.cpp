// SPDX-License-Identifier: GPL-3.0-or-later
// The card session over the simulated card: what it shows, what the card
// receives and the files keep for every change, and what it tells.
#include "ControlIds.h"
#include "FakeAudioDefaults.h"
#include "FakeDeviceNotifier.h"
#include "FakeSoundPlayer.h"
#include "HidCardSession.h"
#include "SimulatedCardTest.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

using namespace panel_test;
using Source = CardSession::Source;

class CardSessionTest : public SimulatedCardTest {
    Q_OBJECT

private:
    struct Fixture {
        QTemporaryDir settings;
        FakeDeviceNotifier notifier;
        FakeAudioDefaults audio;
        FakeSoundPlayer player;
        std::unique_ptr<HidCardSession> session;

        std::filesystem::path file(const char *name) const
        {
            return std::filesystem::path(settings.path().toStdString()) / name;
        }
    };
    std::unique_ptr<Fixture> f_;

    HidCardSession &session() { return *f_->session; }
    const CardChannel &channel() { return f_->session->channel(); }
    bool enabled(int id) { return session().shown().isEnabled(id); }
    CardState card() { return session().cardState(); }
    int shown(int editId)
    {
        for (const ControlId::ValueControl &control : ControlId::kValueControls)
            if (control.edit == editId)
                return session().shown().values().*control.setting;
        return -1;
    }
    bool fileHas(const char *name, const std::string &text)
    {
        return readFile(f_->file(name)).find(text) != std::string::npos;
    }

    void create()
    {
        HidCardSession::Setup setup;
        setup.programFolder = ORLENTA_SIM_STAGE_DIR;
        setup.settingsFolder = f_->settings.path().toStdString();
        setup.notifier = &f_->notifier;
        setup.audioDefaults = &f_->audio;
        setup.player = &f_->player;
        f_->session = std::make_unique<HidCardSession>(setup);
    }
    // As the running panel starts; the card is opened once the event loop runs.
    void begin()
    {
        create();
        QVERIFY(session().loadLibrary());
        session().start();
        session().makeMissingFiles();
    }
    // The card is open and read when this returns, and the report log is empty.
    void start()
    {
        begin();
        QTRY_COMPARE(card(), CardState::Ready);
        QTRY_VERIFY(!channel().isWaiting());
        sim_->clearOutputReports();
    }

private slots:
    void initTestCase() { loadSimulatedDevice(); }
    void init()
    {
        f_.reset();
        sim_->reset();
        f_ = std::make_unique<Fixture>();
        QVERIFY(f_->settings.isValid());
    }
    void cleanup()
    {
        f_.reset();
        sim_->reset();
    }

    void startReadsTheCardAndWelcomesIt()
    {
        begin();
        QSignalSpy changes(&session(), &CardSession::changed);
        // Nothing is opened before the event loop runs.
        QCOMPARE(card(), CardState::Absent);
        QTRY_COMPARE(card(), CardState::Ready);
        QTRY_VERIFY(!channel().isWaiting());
        const std::vector<Report> reports = sim_->outputReports();
        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports[0], kReadRequest);
        QCOMPARE(reports[1], kZeroReport);
        // Factory block: Master 12, Music 14, Rec 10, FX Type 3, "Sing", Sound Mix.
        QCOMPARE(shown(1102), 12);
        QCOMPARE(shown(1103), 14);
        QCOMPARE(shown(1104), 10);
        QCOMPARE(shown(1105), 3);
        QCOMPARE(session().shown().mode(), 3);
        QVERIFY(session().shown().values().soundMix);
        for (int id : {1102, 1110, 1114, 1119, 1132, 1098, 1145, 1149, 1150, 1185, 1086, 1097})
            QVERIFY2(enabled(id), qPrintable(QString::number(id)));
        for (int id : ControlId::kAuxiliarySet)
            QVERIFY(!enabled(id));
        // Opening, then read: each told as the connection's.
        QCOMPARE(changes.count(), 2);
        for (const QList<QVariant> &change : changes)
            QCOMPARE(change[1].value<Source>(), Source::Connection);
        const auto read = changes[1][0].value<CardSession::Changes>();
        QCOMPARE(read, CardSession::Changes(CardSession::Values | CardSession::Card |
                                            CardSession::Controls));
        // The card became the default device and greeted.
        QTRY_COMPARE(f_->player.commands().size(), std::size_t{1});
        QCOMPARE(f_->audio.requests(), std::vector<std::string>{"VEK ZR-4"});
        QVERIFY(f_->player.commands()[0].ends_with("NUVdata.mp3"));
    }

    void everyChangeIsToldOnceWithWhereItCameFrom()
    {
        start();
        QSignalSpy changes(&session(), &CardSession::changed);
        auto last = [&] { return changes.last()[1].value<Source>(); };
        session().step(1086, 1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(last(), Source::User);
        sim_->injectStateReport({0x0F, 0x0F, 0x4F, 0x15, 0x85, 0x2A, 0x2F, 0x3E});
        QTRY_COMPARE(changes.count(), 2);
        QCOMPARE(last(), Source::CardReport);
        session().loadPreset(2, {});
        QCOMPARE(changes.count(), 3);
        QCOMPARE(last(), Source::Preset);
        QVERIFY(changes.last()[0].value<CardSession::Changes>() & CardSession::Preset);
        session().factoryReset({});
        QCOMPARE(last(), Source::Reset);
        session().apply(session().shown().values(), {});
        QCOMPARE(changes.count(), 5); // a write is told even when it changes nothing
        QCOMPARE(last(), Source::Command);
        session().type(1102, shown(1102));
        QCOMPARE(changes.count(), 5); // typing the same number is no change
        sim_->unplug();
        f_->notifier.unplug();
        QCOMPARE(changes.count(), 6);
        QCOMPARE(last(), Source::Connection);
        QCOMPARE(changes.last()[0].value<CardSession::Changes>(),
                 CardSession::Changes(CardSession::Card | CardSession::Controls));
    }

    void spinStepsStopAtTheEndsOfTheirRange()
    {
        start();
        session().type(1102, 0);
        session().step(1086, -1);
        QCOMPARE(shown(1102), 0);
        expectNothingSent();

        session().type(1105, 6);
        session().step(1092, 1);
        QCOMPARE(shown(1105), 6);
        expectNothingSent();
    }

    void spinStepsBringTypedValuesIntoRange()
    {
        start();
        session().type(1102, 20);
        session().step(1086, 1);
        QCOMPARE(shown(1102), 15);
        Block expected = kFactoryBlock;
        expected[4] = 0xBF; // Master 15, Sing, Sound Mix
        expectOneWrite(expected);

        session().step(1086, -1);
        QCOMPARE(shown(1102), 14);
        expected[4] = 0xBE;
        expectOneWrite(expected);

        session().type(1106, 0); // an emptied box
        session().step(1093, 1);
        QCOMPARE(shown(1106), 2);
        expected[3] = 0x11; // FX Intensity 2, FX Type 3
        expectOneWrite(expected);
    }

    void typedValuesWaitForTheNextSendAndAreBounded()
    {
        start();
        session().type(1103, 99);
        expectNothingSent();
        session().setSwitch(ControlId::kMicMute, true);
        Block expected = kFactoryBlock;
        expected[6] = 0xAF; // Mic Mute
        expected[7] = 0x3F; // Music Vol 99 packed as 15
        expectOneWrite(expected);
    }

    // A card whose first block names a mode the panel does not offer: no mode
    // is chosen, so the mode rule has not run (the auxiliary button 1175 takes
    // input, the spins do not). Master leaves it so; an ordinary mode runs it.
    void modeChoicesSendAndOnlyOrdinaryModesTouchTheEnableState()
    {
        sim_->setBlock({0x0F, 0x0F, 0x4F, 0x15, 0xFC, 0x2A, 0x2F, 0x3E}); // mode 7
        start();
        QVERIFY(!session().shown().mode());
        QVERIFY(enabled(1175));
        QVERIFY(!enabled(1086));

        session().chooseMode(5); // Master
        QCOMPARE(session().shown().mode(), 5);
        Block expected = kFactoryBlock;
        expected[4] = 0xDC; // Master Vol 12, mode 5, Sound Mix
        expectOneWrite(expected);
        QVERIFY(enabled(1175));
        QVERIFY(!enabled(1086));

        session().chooseMode(0); // Music
        expected[4] = 0x8C;
        expectOneWrite(expected);
        QVERIFY(!enabled(1175));
        QVERIFY(enabled(1105));
        QVERIFY(enabled(1086));
    }

    void presetLoadReloadsTheFileAndSendsOnce()
    {
        start();
        writeFile(f_->file("UserConfig_2.ini"), "[setting]\nsettingToVoice=0F0F4F15B41A2C3E\n");
        session().loadPreset(2, {});
        QCOMPARE(session().shown().preset(), 2);
        const Block expected{0x0F, 0x0F, 0x4F, 0x15, 0xB4, 0x1A, 0x2C, 0x3E};
        expectOneWrite(expected);
        QCOMPARE(shown(1102), 4);
        QCOMPARE(shown(1104), 10);
        QVERIFY(fileHas("UserConfig_2.ini", "settingToVoice=0f0f4f15b41a2c3e"));
        QVERIFY(fileHas("setting.ini", "CurrentConfig=2"));

        // The selected preset again: it stays selected and reloads.
        session().type(1102, 7);
        session().loadPreset(2, {});
        QCOMPARE(session().shown().preset(), 2);
        QCOMPARE(shown(1102), 4);
        expectOneWrite(expected);
    }

    void factoryResetShowsSendsAndStoresTheFactoryBlock()
    {
        start();
        session().type(1102, 3);
        session().chooseMode(4);
        sim_->clearOutputReports();
        session().factoryReset({});
        QCOMPARE(shown(1102), 12);
        QCOMPARE(session().shown().mode(), 3);
        expectOneWrite(kFactoryBlock);
        QVERIFY(fileHas("UserConfig_1.ini", "settingToVoice=0f0f4f15bc2a2f3e"));
    }

    void stateReportsShowTheCardWithoutSendingOrStoring()
    {
        start();
        const std::string presetBefore = readFile(f_->file("UserConfig_1.ini"));
        const Block reported{0x0F, 0x0F, 0x4F, 0x15,
                             0x85, 0x2A, 0x2F, 0x3E}; // Master 5, mode 0, Sound Mix
        sim_->injectStateReport(reported);
        QTRY_COMPARE(shown(1102), 5);
        QCOMPARE(session().shown().mode(), 0);
        QVERIFY(!channel().isWaiting());
        QTest::qWait(50);
        expectNothingSent();
        QCOMPARE(readFile(f_->file("UserConfig_1.ini")), presetBefore);

        // Wrong checksum: not a state report, nothing changes.
        sim_->injectRawReport(
            {0x00, 0x02, 0x0F, 0, 0, 0, 0, 0x0F, 0x4F, 0x15, 0x8A, 0x2A, 0x2F, 0x3E, 0x00, 0x00});
        QTest::qWait(100);
        QCOMPARE(shown(1102), 5);

        // Mode 7: the mode and the enable state stay, the rest follows.
        const std::set<int> enabledBefore = session().shown().enabledControls();
        const Block oddMode{0x0F, 0x0F, 0x4F, 0x15, 0xF9, 0x2A, 0x2F, 0x3E}; // Master 9, mode 7
        sim_->injectStateReport(oddMode);
        QTRY_COMPARE(shown(1102), 9);
        QCOMPARE(session().shown().mode(), 0);
        QCOMPARE(session().shown().enabledControls(), enabledBefore);
        expectNothingSent();

        // The next send carries what the panel shows, the card's values included.
        session().setSwitch(ControlId::kRecMute, true);
        Block expected = oddMode;
        expected[4] = 0x89; // mode back to what the panel shows: Music
        expected[5] = 0xAA;
        expectOneWrite(expected);
    }

    // A card that does not answer keeps the open's read going in a nested
    // event loop; what happens meanwhile is driven from timers inside it.
    void stateReportWhileUnreadEnablesOnlyTheMainSet()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        begin();
        const Block reported{0x0F, 0x0F, 0x4F, 0x15, 0xB6, 0x2A, 0x2F, 0x3E};
        QTimer::singleShot(300, this, [&] { sim_->injectStateReport(reported); });
        int shownThen = 0;
        std::vector<int> wronglyEnabled, wronglyDisabled;
        QTimer::singleShot(700, this, [&] {
            shownThen = shown(1102);
            for (int id : ControlId::kMainAdjustableSet)
                if (!enabled(id))
                    wronglyDisabled.push_back(id);
            for (int id : {1102, 1103, 1104, 1114, 1132, 1145, 1150, 1185})
                if (enabled(id))
                    wronglyEnabled.push_back(id);
            // The read goes on until the card answers.
            sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        });
        QTRY_COMPARE_WITH_TIMEOUT(card(), CardState::Ready, 10000);
        QCOMPARE(shownThen, 6);
        QCOMPARE(wronglyDisabled, std::vector<int>{});
        QCOMPARE(wronglyEnabled, std::vector<int>{});
    }

    void unplugDisablesEverythingAndPlugReopens()
    {
        start();
        // Another HID device goes away: the connection stays.
        f_->notifier.unplug();
        QCOMPARE(card(), CardState::Ready);
        QVERIFY(enabled(1102));

        sim_->unplug();
        f_->notifier.unplug();
        QCOMPARE(card(), CardState::Absent);
        QVERIFY(channel().isAborted());
        QVERIFY(session().shown().enabledControls().empty());

        sim_->plug();
        sim_->setBlock({0x0F, 0x0F, 0x4F, 0x15, 0xB7, 0x2A, 0x2F, 0x3E});
        f_->notifier.plug();
        QVERIFY(!channel().isAborted());
        QTRY_COMPARE(card(), CardState::Ready);
        QCOMPARE(shown(1102), 7);
        QTRY_COMPARE(f_->audio.requests().size(), std::size_t{2});
    }

    void unplugDuringTheFirstReadEndsTheOpen()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        begin();
        bool waited = false;
        QTimer::singleShot(100, this, [&] {
            waited = channel().isWaiting();
            sim_->unplug();
            f_->notifier.unplug();
        });
        QTRY_VERIFY_WITH_TIMEOUT(waited && !channel().isWaiting(), 10000);
        QCOMPARE(card(), CardState::Absent);
        QVERIFY(!enabled(1102));
        QTest::qWait(100);
        QVERIFY(f_->audio.requests().empty());
        QVERIFY(f_->player.commands().empty());
    }

    void startWithoutTheCardWaitsForIt()
    {
        sim_->unplug();
        begin();
        QTest::qWait(50);
        QCOMPARE(card(), CardState::Absent);
        sim_->plug();
        sim_->clearOutputReports();
        // Several interfaces of one card may each be announced.
        f_->notifier.plug();
        f_->notifier.plug();
        QTRY_COMPARE(card(), CardState::Ready);
        QTRY_VERIFY(!channel().isWaiting());
        QTest::qWait(50);
        QCOMPARE(readRequests(), 1);
    }

    void plugInOpensOnceTheCardMayBeOpened()
    {
        sim_->unplug();
        begin();
        // The notice comes first; the card can be opened only a moment later.
        f_->notifier.plug();
        QTest::qWait(300);
        QCOMPARE(card(), CardState::Absent);
        sim_->plug();
        QTRY_COMPARE_WITH_TIMEOUT(card(), CardState::Ready, 3000);
    }

    void openRetriesAfterAPlugInGiveUp()
    {
        sim_->unplug();
        begin();
        f_->notifier.plug();
        QTest::qWait(2600);
        sim_->plug();
        QTest::qWait(400);
        QCOMPARE(card(), CardState::Absent);
    }

    void presetSelectionComesFromTheSettingsFile()
    {
        writeFile(f_->file("setting.ini"), "[setting]\nCurrentConfig=5\n");
        start();
        QCOMPARE(session().shown().preset(), 0);
        const std::string preset1 = readFile(f_->file("UserConfig_1.ini"));
        session().setSwitch(ControlId::kMusicMute, true);
        QCOMPARE(readFile(f_->file("UserConfig_1.ini")), preset1);
        QCOMPARE(readFile(f_->file("setting.ini")), std::string("[setting]\nCurrentConfig=5\n"));
    }

    void theEndStopsTheReadsRetriesAndEveryWrite()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        begin();
        bool waited = false;
        QTimer::singleShot(600, this, [&] {
            waited = channel().isWaiting();
            session().end();
        });
        QTRY_VERIFY_WITH_TIMEOUT(waited && !channel().isWaiting(), 10000);
        QVERIFY(session().isEnding());
        const std::size_t sent = sim_->outputReports().size();
        QTest::qWait(600);
        QCOMPARE(sim_->outputReports().size(), sent);
        QCOMPARE(channel().pendingCount(), std::size_t{0});
        // A click after the end changes what is shown, and sends nothing.
        sim_->clearOutputReports();
        session().setSwitch(ControlId::kMicMute, true);
        expectNothingSent();
    }

    // A card that misses the first read still becomes the default device and
    // greets; the read goes on at its pace until the card answers.
    void silentCardIsMadeDefaultAndReadUntilItAnswers()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        begin();
        QTRY_COMPARE(f_->player.commands().size(), std::size_t{1});
        QCOMPARE(f_->audio.requests(), std::vector<std::string>{"VEK ZR-4"});
        QCOMPARE(card(), CardState::NotAnswering);
        QVERIFY(!enabled(1102));
        QTRY_VERIFY(readRequests() >= 3);
        sim_->setBlock({0x85, 0x09, 0x47, 0x0B, 0x1B, 0xE6, 0x1D, 0xC3});
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        QTRY_COMPARE(card(), CardState::Ready);
        QCOMPARE(shown(1108), 2);
        QCOMPARE(shown(1109), 7);
        QCOMPARE(f_->player.commands().size(), std::size_t{1});
    }

    // A change made while the read is still being retried (a state report
    // enabled the controls) reaches the card between two attempts.
    void writeDuringTheRetriedReadGoesOutBetweenAttempts()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        begin();
        QTRY_VERIFY(readRequests() >= 2);
        sim_->injectStateReport(kFactoryBlock);
        QTRY_VERIFY(enabled(1092));
        session().step(1092, 1); // FX Type 3 -> 4
        Block expected = kFactoryBlock;
        expected[3] = 0x1D;
        QTRY_COMPARE(sim_->block(), expected);
        QCOMPARE(card(), CardState::NotAnswering);
        const std::vector<Report> reports = sim_->outputReports();
        const auto write = std::find(reports.begin(), reports.end(), writeReport(expected));
        QVERIFY(write != reports.end());
        QCOMPARE(*std::prev(write), kZeroReport);
        QTRY_VERIFY(readRequests() > std::count(reports.begin(), reports.end(), kReadRequest));
    }

    // An answer with a wrong checksum is asked again, not taken as the end.
    void malformedAnswerIsAskedAgain()
    {
        sim_->setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);
        begin();
        QTRY_VERIFY(readRequests() >= 2);
        QVERIFY(!enabled(1102));
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        QTRY_COMPARE(card(), CardState::Ready);
    }

    // Writes still waiting when the card goes are not sent to the next one.
    void unplugDropsWaitingWrites()
    {
        start();
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        QTimer::singleShot(40, this, [&] {
            session().setSwitch(ControlId::kMicMute, true);
            QCOMPARE(channel().pendingCount(), std::size_t{1});
            sim_->unplug();
            f_->notifier.unplug();
        });
        session().setSwitch(ControlId::kMusicMute, true);
        QCOMPARE(channel().pendingCount(), std::size_t{0});
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        sim_->plug();
        sim_->clearOutputReports();
        f_->notifier.plug();
        QTRY_COMPARE(card(), CardState::Ready);
        QTest::qWait(50);
        const std::vector<Report> reports = sim_->outputReports();
        QCOMPARE(reports.size(), std::size_t{2});
        QCOMPARE(reports[0], kReadRequest);
    }

    // The card is there but this user may not open it: told once per
    // plug-in, and the open is tried again as usual.
    void accessDeniedIsToldOncePerPlugIn()
    {
        sim_->setAccessDenied(true);
        create();
        QSignalSpy denied(&session(), &CardSession::accessDenied);
        QVERIFY(session().loadLibrary());
        session().start();
        QTRY_COMPARE(denied.count(), 1);
        QCOMPARE(card(), CardState::AccessDenied);
        // More notices of the same plug-in (each interface, the retries).
        f_->notifier.plug();
        f_->notifier.plug();
        QTest::qWait(600);
        QCOMPARE(denied.count(), 1);

        sim_->unplug();
        f_->notifier.unplug();
        QCOMPARE(card(), CardState::Absent);
        sim_->plug();
        f_->notifier.plug();
        QTRY_COMPARE(denied.count(), 2);

        sim_->setAccessDenied(false);
        f_->notifier.plug();
        QTRY_COMPARE(card(), CardState::Ready);
        QCOMPARE(denied.count(), 2);
    }

    // The end-to-end scripts run the whole panel through the shim, which lacks it.
    void theWhyOfAFailedOpenIsAskedOnlyOfALibraryThatTellsIt()
    {
        HidControlLibrary silent;
        QVERIFY(silent.load(ORLENTA_REPORT_LOGGING_SHIM));
        QVERIFY(!silent.lastOpenError().has_value());
        HidControlLibrary simulated;
        QVERIFY(simulated.load(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so"));
        QCOMPARE(simulated.lastOpenError(), std::optional<int>(0));
    }

    // Settings that cannot be saved are told once, naming the folder; once
    // saving works again, the next failure is told again.
    void unsavableSettingsAreToldOnceNamingTheFolder()
    {
        start();
        QSignalSpy notSaved(&session(), &CardSession::settingsNotSaved);
        const QString folder = f_->settings.path();
        QVERIFY(f_->settings.remove());
        session().setSwitch(ControlId::kMicMute, true);
        session().setSwitch(ControlId::kMicMute, false);
        session().loadPreset(2, {});
        QCOMPARE(notSaved.count(), 1);
        QCOMPARE(notSaved[0][0].toString(), folder);
        QCOMPARE(sim_->outputReports().size(), std::size_t{6}); // the card still got them

        QVERIFY(QDir().mkpath(folder));
        session().setSwitch(ControlId::kMicMute, true);
        QVERIFY(QDir(folder).removeRecursively());
        session().setSwitch(ControlId::kMicMute, false);
        QCOMPARE(notSaved.count(), 2);
    }

    void reportsOfAnyShapeLeaveThePanelAlone()
    {
        start();
        const int before = shown(1102);
        for (int length = 0; length <= 16; ++length) {
            std::vector<std::uint8_t> raw(static_cast<std::size_t>(length));
            for (int i = 0; i < length; ++i)
                raw[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x5A + 37 * i);
            if (length > 1)
                raw[1] = 0x03; // neither a state report nor an answer anyone waits for
            sim_->injectRawReport(raw);
        }
        QTest::qWait(100);
        QCOMPARE(shown(1102), before);
        expectNothingSent();
        // An answer-like report while nothing waits is dropped too.
        sim_->injectRawReport({0x00, 0xE0, 0x01, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 0x00, 0x00});
        QTest::qWait(50);
        session().setSwitch(ControlId::kMicMute, true);
        QCOMPARE(sim_->outputReports().size(), std::size_t{2});
    }

    void cardVanishingDuringAWriteKeepsTheUsersValues()
    {
        start();
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        QTimer::singleShot(60, this, [&] {
            sim_->unplug();
            f_->notifier.unplug();
        });
        session().type(1102, 9);
        session().setSwitch(ControlId::kMusicMute, true);
        QVERIFY(!channel().isWaiting());
        QVERIFY(!enabled(1102));
        QCOMPARE(shown(1102), 9);
        // The preset already holds what the user set.
        QVERIFY(fileHas("UserConfig_1.ini", "settingToVoice=0f0f4f15b92a2fbe"));
    }

    // Before the system sleeps: the write under way ends first; one still
    // waiting its turn when the deadline comes is dropped, never sent, and
    // the settling is told once either way.
    void settlingLetsTheWriteUnderWayEndAndDropsWhatWaitsPastTheDeadline()
    {
        start();
        int settled = 0;
        session().settle(std::chrono::seconds(5), [&] { ++settled; });
        QCOMPARE(settled, 1); // nothing under way

        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        settled = 0;
        QTimer::singleShot(40, this, [&] {
            session().settle(std::chrono::seconds(5), [&] { ++settled; });
            QCOMPARE(settled, 0);
        });
        session().setSwitch(ControlId::kMusicMute, true);
        QCOMPARE(settled, 1);

        settled = 0;
        sim_->clearOutputReports();
        QTimer::singleShot(40, this, [&] {
            session().setSwitch(ControlId::kMicMute, true);
            session().settle(std::chrono::milliseconds(60), [&] { ++settled; });
        });
        session().setSwitch(ControlId::kRecMute, true);
        QCOMPARE(settled, 1);
        QCOMPARE(channel().pendingCount(), std::size_t{0});
        QTest::qWait(100);
        QCOMPARE(settled, 1);
        const std::vector<Report> reports = sim_->outputReports();
        QCOMPARE(reports.size(), std::size_t{2}); // the rec mute's write and the zero report
        QCOMPARE(reports[1], kZeroReport);
        QVERIFY(session().shown().values().micMute);
    }

    // After a resume: the card's block is read again and shown, and nothing
    // is written to the card or the preset.
    void readingAgainShowsTheCardsBlockAndWritesNothing()
    {
        start();
        const std::string preset = readFile(f_->file("UserConfig_1.ini"));
        sim_->setBlock({0x0F, 0x0F, 0x4F, 0x15, 0xB7, 0x2A, 0x2F, 0x3E}); // Master 7
        QSignalSpy changes(&session(), &CardSession::changed);
        session().readAgain();
        QTRY_COMPARE(shown(1102), 7);
        QCOMPARE(card(), CardState::Ready);
        QTRY_VERIFY(!channel().isWaiting());
        const std::vector<Report> reports = sim_->outputReports();
        QCOMPARE(reports.size(), std::size_t{2});
        QCOMPARE(reports[0], kReadRequest);
        QCOMPARE(reports[1], kZeroReport);
        QCOMPARE(readFile(f_->file("UserConfig_1.ini")), preset);
        QCOMPARE(changes.count(), 2); // being read, then read
        QCOMPARE(changes.last()[1].value<Source>(), Source::Connection);

        // Without a card there is nothing to read.
        sim_->unplug();
        f_->notifier.unplug();
        sim_->clearOutputReports();
        session().readAgain();
        expectNothingSent();
    }
};

QTEST_GUILESS_MAIN(CardSessionTest)
#include "CardSessionTest.moc"
