// SPDX-License-Identifier: GPL-3.0-or-later
// Commands from outside carried out by the main window over the simulated
// device: what the window shows, the card receives and the files keep.
#include "ControlIds.h"
#include "DispatcherTestSupport.h"
#include "ParameterBlock.h"
#include "TrayMenu.h"
#include "SimulatedPanelTest.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

using namespace panel_test;

class PanelCommandsTest : public SimulatedPanelTest {
    Q_OBJECT

private:
    QAction *trayItem(int id) { return panel().tray().item(id); }

    bool fileHas(const char *name, const std::string &line)
    {
        return readFile(fixture_->file(name)).find(line) != std::string::npos;
    }

private slots:
    void initTestCase() { loadSimulatedDevice(); }
    void init() { freshPanel(); }
    void cleanup() { dropPanel(); }

    void commandsChangeTheCardAsClicksDo()
    {
        create();
        QVERIFY(panel().initialise());
        panel().showAtStart(false);
        // Opened only once the event loop runs.
        QCOMPARE(session().cardState(), CardState::Absent);
        QTRY_VERIFY(enabled(1102));
        QTRY_VERIFY(!session().channel().isWaiting());
        sim_->clearOutputReports();
        QCOMPARE(session().cardState(), CardState::Ready);
        CommandDispatcher dispatcher(session(), &panel().visibility());

        CommandReply reply = runRequest(dispatcher, "set master-vol=5 mic-mute=on");
        QCOMPARE(reply.exitCode, 0);
        const Block changed{0x0F, 0x0F, 0x4F, 0x15, 0xB5, 0x2A, 0xAF, 0x3E};
        expectOneWrite(changed);
        QCOMPARE(edit(1102)->text(), QStringLiteral("5"));
        QVERIFY(button(ControlId::kMicMute)->isChecked());
        QVERIFY(fileHas("UserConfig_1.ini", "settingToVoice=0f0f4f15b52aaf3e"));
        QVERIFY(reply.out.find("master-vol: 5\n") != std::string::npos);
        QVERIFY(runRequest(dispatcher, "status --json").out.find("\"mic-mute\": true") !=
                std::string::npos);

        // A preset as its button loads it; the buttons and the tray follow,
        // and the selection is stored before the reply goes out.
        writeFile(fixture_->file("UserConfig_3.ini"),
                  "[setting]\nsettingToVoice=8509470b1be61dc3\n");
        std::optional<bool> storedAtReply;
        dispatcher.handleRequest("preset 3", [&](const QByteArray &encoded) {
            QCOMPARE(CommandReply::decode(encoded)->exitCode, 0);
            storedAtReply = fileHas("setting.ini", "CurrentConfig=3");
        });
        QTRY_VERIFY(storedAtReply);
        QVERIFY(*storedAtReply);
        expectOneWrite({0x85, 0x09, 0x47, 0x0B, 0x1B, 0xE6, 0x1D, 0xC3});
        QVERIFY(button(1148)->isChecked());
        QVERIFY(!button(1145)->isChecked());
        QVERIFY(trayItem(TrayMenu::kPresetItems[2])->isChecked());
        QVERIFY(!trayItem(TrayMenu::kPresetItems[0])->isChecked());

        QCOMPARE(runRequest(dispatcher, "reset").exitCode, 0);
        expectOneWrite(kFactoryBlock);
        QVERIFY(fileHas("UserConfig_3.ini", "settingToVoice=0f0f4f15bc2a2f3e"));
        QVERIFY(button(1116)->isChecked());
    }

    // A card whose block names a mode the panel does not offer leaves every
    // mode button unchecked, and a change keeps them so.
    void aChangeLeavesUncheckedModeButtonsUnchecked()
    {
        sim_->setBlock({0x0F, 0x0F, 0x4F, 0x15, 0xFC, 0x2A, 0x2F, 0x3E}); // mode 7
        start();
        CommandDispatcher dispatcher(session(), &panel().visibility());
        for (int radio : ControlId::kModeRadios)
            QVERIFY(!button(radio)->isChecked());
        QCOMPARE(runRequest(dispatcher, "set fx-vol=2").exitCode, 0);
        for (int radio : ControlId::kModeRadios)
            QVERIFY(!button(radio)->isChecked());
        QVERIFY(!session().status().mode);
        QCOMPARE(sim_->block()[4] & 0x70, 0); // the block packs mode 0
    }

    void aCardThatIsNotReadyGetsNothing()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(panel().initialise());
        panel().showAtStart(false);
        QTRY_COMPARE(session().cardState(), CardState::NotAnswering);
        CommandDispatcher dispatcher(session(), &panel().visibility());
        QCOMPARE(runRequest(dispatcher, "mute mic on").exitCode, 3);
        for (const Report &report : sim_->outputReports())
            QVERIFY(report == kReadRequest || report == kZeroReport);

        sim_->unplug();
        fixture_->notifier.unplug();
        const CommandReply status = runRequest(dispatcher, "status --json");
        QCOMPARE(status.exitCode, 2);
        QVERIFY(status.out.starts_with("{\"connected\": false"));
    }

    // The panel has told the user about the missing rule; a command says the
    // same, not that the card is missing, and sends nothing.
    void aCardThisUserMayNotOpenIsSeventySeven()
    {
        sim_->setAccessDenied(true);
        create();
        QVERIFY(panel().initialise());
        panel().showAtStart(false);
        QTRY_COMPARE(fixture_->messages.shown.size(), std::size_t{1});
        CommandDispatcher dispatcher(session(), &panel().visibility());
        QCOMPARE(session().cardState(), CardState::AccessDenied);
        const CommandReply reply = runRequest(dispatcher, "set master-vol=1");
        QCOMPARE(reply.exitCode, 77);
        QVERIFY(reply.err.find("70-orlenta.rules") != std::string::npos);
        QVERIFY(sim_->outputReports().empty());

        // Unplugged, it is simply not found.
        sim_->unplug();
        fixture_->notifier.unplug();
        QCOMPARE(runRequest(dispatcher, "status").exitCode, 2);
    }

    // Requests come in from the event loop, so one may come while a click's
    // write waits for the card. It waits its turn behind that write without
    // holding it up, and so does one after it, whose block carries both.
    void aCommandDuringAWriteIsAnsweredAfterIt()
    {
        start();
        sim_->setAnswerDelayMs(100);
        CommandDispatcher dispatcher(session(), &panel().visibility());
        std::vector<CommandReply> replies;
        auto keep = [&replies](const QByteArray &reply) {
            replies.push_back(CommandReply::decode(reply).value_or(CommandReply{-1, {}, {}}));
        };
        bool duringTheWrite = false;
        QTimer::singleShot(20, this, [&] {
            duringTheWrite = session().channel().isWaiting();
            dispatcher.handleRequest("set fx-vol=9", keep);
            dispatcher.handleRequest("mute music on", keep);
        });
        button(ControlId::kMicMute)->click();
        QVERIFY(duringTheWrite);
        QVERIFY(replies.empty());
        QTRY_COMPARE(replies.size(), std::size_t{2});
        QCOMPARE(replies[0].exitCode, 0);
        QCOMPARE(replies[1].exitCode, 0);
        PanelValues values = ParameterBlock::factory().unpack();
        values.micMute = true;
        const Block clicked = ParameterBlock::pack(values).bytes();
        values.fxVol = 9;
        values.musicMute = true;
        const Block both = ParameterBlock::pack(values).bytes();
        const std::vector<Report> expected{writeReport(clicked), kZeroReport, writeReport(both),
                                           kZeroReport};
        QCOMPARE(sim_->outputReports(), expected);
    }

    // Quit while a change waits: the change is answered as unanswered (the
    // program ends before its write goes out), and the end waits for the
    // quit's own reply to go out.
    void quitAnswersFirstAndEndsWhatWaits()
    {
        start();
        dialog().show();
        sim_->setAnswerDelayMs(100);
        CommandDispatcher dispatcher(session(), &panel().visibility());
        QSignalSpy finished(&dialog(), &QDialog::finished);
        std::optional<CommandReply> change;
        std::optional<CommandReply> quit;
        QTimer::singleShot(20, this, [&] {
            dispatcher.handleRequest("set rec-vol=1", [&change](const QByteArray &reply) {
                change = CommandReply::decode(reply);
            });
            dispatcher.handleRequest("quit", [&](const QByteArray &reply) {
                quit = CommandReply::decode(reply);
                QCOMPARE(finished.count(), 0);
            });
        });
        button(ControlId::kMicMute)->click();
        QVERIFY(quit);
        QCOMPARE(quit->exitCode, 0);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(session().isEnding());
        QTRY_VERIFY(change);
        QCOMPARE(change->exitCode, 3);
        QCOMPARE(sim_->outputReports().size(), std::size_t{2}); // the click's write alone
    }

    // Without a tray (none offscreen) a command's hide minimises, so the
    // taskbar still leads back.
    void windowCommandsWithoutATray()
    {
        start();
        dialog().show();
        QVERIFY(!panel().tray().isEnabled());
        CommandDispatcher dispatcher(session(), &panel().visibility());
        QCOMPARE(runRequest(dispatcher, "hide").exitCode, 0);
        QTRY_VERIFY(dialog().isMinimized());
        QVERIFY(dialog().isVisible());
        QCOMPARE(runRequest(dispatcher, "show").exitCode, 0);
        QVERIFY(!dialog().isMinimized());
        QVERIFY(dialog().isVisible());
    }

    void startAtLoginWritesTheEntryAndShowsWhatIsOnDisk()
    {
        start();
        QAction *item = trayItem(TrayMenu::kStartAtLoginItem);
        QVERIFY(item);
        QVERIFY(item->isCheckable());
        QVERIFY(!item->isChecked());
        const std::filesystem::path entry = fixture_->file("autostart") / AutostartEntry::kFileName;
        item->trigger();
        QVERIFY(item->isChecked());
        const std::string written = readFile(entry);
        QVERIFY2(written.find("Exec=" ORLENTA_SIM_STAGE_DIR "/Orlenta --hidden\n") !=
                     std::string::npos,
                 written.c_str());
        item->trigger();
        QVERIFY(!std::filesystem::exists(entry));
        QVERIFY(!item->isChecked());

        // Changed from outside (`orlenta autostart on`): the menu shows it when it opens.
        writeFile(entry, AutostartEntry::contents("Orlenta"));
        emit panel().tray().menu()->aboutToShow();
        QVERIFY(item->isChecked());
        std::filesystem::remove(entry);

        // No folder can be made there: said, and the item stays unchecked.
        std::filesystem::remove_all(fixture_->file("autostart"));
        writeFile(fixture_->file("autostart"), "in the way");
        item->trigger();
        QVERIFY(!item->isChecked());
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{1});
        QVERIFY(fixture_->messages.shown[0].first.find("starts at login") != std::string::npos);
    }
};

QTEST_MAIN(PanelCommandsTest)
#include "PanelCommandsTest.moc"
