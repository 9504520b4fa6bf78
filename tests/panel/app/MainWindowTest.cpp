// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over the simulated device: what the user sees and what
// the device receives for every action.
#include "ControlIds.h"
#include "SimulatedPanelTest.h"
#include "UpDownControl.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <dlfcn.h>

#include <algorithm>

using namespace panel_test;

class MainWindowTest : public SimulatedPanelTest {
    Q_OBJECT

private:
    UpDownControl *spin(int id) { return dynamic_cast<UpDownControl *>(dialog().control(id)); }

    long readRequests() const
    {
        const std::vector<Report> reports = sim_->outputReports();
        return std::count(reports.begin(), reports.end(), kReadRequest);
    }

private slots:
    void initTestCase() { loadSimulatedDevice(); }
    void init() { freshPanel(); }
    void cleanup() { dropPanel(); }

    void startReadsTheDeviceAndEnablesItsControls()
    {
        create();
        QVERIFY(dialog().initialise());
        // Nothing is opened before the event loop runs.
        QVERIFY(!enabled(1102));
        QTRY_VERIFY(enabled(1102));
        QTRY_VERIFY(!dialog().channel().isWaiting());
        const std::vector<Report> reports = sim_->outputReports();
        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports[0], kReadRequest);
        QCOMPARE(reports[1], kZeroReport);
        // Factory block: Master 12, Music 14, Rec 10, FX Type 3, "Sing", Sound Mix.
        QCOMPARE(edit(1102)->text(), QStringLiteral("12"));
        QCOMPARE(edit(1103)->text(), QStringLiteral("14"));
        QCOMPARE(edit(1104)->text(), QStringLiteral("10"));
        QCOMPARE(edit(1105)->text(), QStringLiteral("3"));
        QVERIFY(button(1116)->isChecked());
        QVERIFY(button(ControlId::kSoundMix)->isChecked());
        for (int id : {1102, 1110, 1114, 1119, 1132, 1098, 1145, 1149, 1150, 1185, 1086, 1097})
            QVERIFY2(enabled(id), qPrintable(QString::number(id)));
        for (int id : ControlId::kAuxiliarySet)
            QVERIFY(!enabled(id));
        // The device became the default device and greeted.
        QTRY_COMPARE(fixture_->player.commands().size(), std::size_t{1});
        QCOMPARE(fixture_->audio.requests(), std::vector<std::string>{"VEK ZR-4"});
        QVERIFY(fixture_->player.commands()[0].ends_with("NUVdata.mp3"));
    }

    void windowCarriesTheTemplate()
    {
        create();
        QVERIFY(dialog().initialise());
        QCOMPARE(dialog().objectName(), QStringLiteral("102"));
        QCOMPARE(dialog().windowTitle(), QStringLiteral("Orlenta HD"));
        QCOMPARE(button(1150)->text(), QStringLiteral("Reset to factory settings"));
        QCOMPARE(button(1185)->text(), QStringLiteral("Record>>"));
        QCOMPARE(button(1117)->text(), QStringLiteral("Chat"));
        QCOMPARE(button(1145)->text(), QStringLiteral("1"));
        QCOMPARE(edit(1049)->text(), QStringLiteral("0C45"));
        QCOMPARE(edit(1050)->text(), QStringLiteral("1F7D"));
        QCOMPARE(edit(1049)->maxLength(), 4);
        QCOMPARE(spin(1092)->low(), 1);
        QCOMPARE(spin(1092)->high(), 6);
        QCOMPARE(spin(1097)->high(), 8);
        QCOMPARE(spin(1159)->high(), 15);
        QCOMPARE(edit(1102)->font().pixelSize(), 21);
        QVERIFY(edit(1102)->font().bold());
        QCOMPARE(button(1114)->font().pixelSize(), 14);
        dialog().show();
        for (int id : {1049, 1050, 1022, 1023, 1073, 1112, 1111, 1113, 1177, 1, 1099, 1181, 1179,
                       1151, 1153})
            QVERIFY2(!dialog().control(id)->isVisible(), qPrintable(QString::number(id)));
        QVERIFY(dialog().control(1185)->isVisible());
        QVERIFY(!enabled(1100));
        // Compact: the mode group with its left margin on the right too, down
        // to the hidden static plus 10.
        const QRect mode = dialog().control(1130)->geometry();
        QCOMPARE(dialog().width(), mode.left() + mode.right() + 1);
        QCOMPARE(dialog().height(), dialog().control(1181)->geometry().bottom() + 1 + 10);
        QCOMPARE(dialog().compactWidth(), dialog().width());
        QVERIFY(dialog().control(1141)->geometry().left() > dialog().width());
    }

    void spinStepsStopAtTheEndsOfTheirRange()
    {
        start();
        edit(1102)->setText(QStringLiteral("0"));
        spin(1086)->downButton()->click();
        QCOMPARE(edit(1102)->text(), QStringLiteral("0"));
        expectNothingSent();

        edit(1105)->setText(QStringLiteral("6"));
        spin(1092)->upButton()->click();
        QCOMPARE(edit(1105)->text(), QStringLiteral("6"));
        expectNothingSent();
    }

    void spinStepsBringTypedValuesIntoRange()
    {
        start();
        edit(1102)->setText(QStringLiteral("20"));
        spin(1086)->upButton()->click();
        QCOMPARE(edit(1102)->text(), QStringLiteral("15"));
        Block expected = kFactoryBlock;
        expected[4] = 0xBF; // Master 15, Sing, Sound Mix
        expectOneWrite(expected);

        spin(1086)->downButton()->click();
        QCOMPARE(edit(1102)->text(), QStringLiteral("14"));
        expected[4] = 0xBE;
        expectOneWrite(expected);

        edit(1106)->setText(QString());
        spin(1093)->upButton()->click();
        QCOMPARE(edit(1106)->text(), QStringLiteral("2"));
        expected[3] = 0x11; // FX Intensity 2, FX Type 3
        expectOneWrite(expected);
    }

    void typedValuesWaitForTheNextSendAndAreBounded()
    {
        start();
        QTest::keyClicks(edit(1103), QStringLiteral("9"));
        edit(1103)->setText(QStringLiteral("99"));
        expectNothingSent();
        button(ControlId::kMicMute)->click();
        Block expected = kFactoryBlock;
        expected[6] = 0xAF; // Mic Mute
        expected[7] = 0x3F; // Music Vol 99 packed as 15
        expectOneWrite(expected);
    }

    void modeClicksSendAndOnlyOrdinaryModesTouchTheEnableState()
    {
        start();
        dialog().setEnabled(1153, true);
        dialog().setEnabled(1105, false);
        button(1119)->click(); // Master
        QVERIFY(button(1119)->isChecked());
        QVERIFY(!button(1116)->isChecked());
        Block expected = kFactoryBlock;
        expected[4] = 0xDC; // Master Vol 12, mode 5, Sound Mix
        expectOneWrite(expected);
        QVERIFY(enabled(1153));
        QVERIFY(!enabled(1105));

        button(1114)->click(); // Music
        expected[4] = 0x8C;
        expectOneWrite(expected);
        QVERIFY(!enabled(1153));
        QVERIFY(enabled(1105));
        QVERIFY(enabled(1086));
    }

    void presetClickReloadsTheFileAndSendsOnce()
    {
        start();
        writeFile(fixture_->file("UserConfig_2.ini"),
                  "[setting]\nsettingToVoice=0F0F4F15B41A2C3E\n");
        button(1147)->click();
        QVERIFY(button(1147)->isChecked());
        QVERIFY(!button(1145)->isChecked());
        const Block expected{0x0F, 0x0F, 0x4F, 0x15, 0xB4, 0x1A, 0x2C, 0x3E};
        expectOneWrite(expected);
        QCOMPARE(edit(1102)->text(), QStringLiteral("4"));
        QCOMPARE(edit(1104)->text(), QStringLiteral("10"));
        QVERIFY(
            readFile(fixture_->file("UserConfig_2.ini")).find("settingToVoice=0f0f4f15b41a2c3e") !=
            std::string::npos);
        QVERIFY(readFile(fixture_->file("setting.ini")).find("CurrentConfig=2") !=
                std::string::npos);

        // The checked button again: it stays checked and the preset reloads.
        edit(1102)->setText(QStringLiteral("7"));
        button(1147)->click();
        QVERIFY(button(1147)->isChecked());
        QCOMPARE(edit(1102)->text(), QStringLiteral("4"));
        expectOneWrite(expected);
    }

    void factoryResetShowsSendsAndStoresTheFactoryBlock()
    {
        start();
        edit(1102)->setText(QStringLiteral("3"));
        button(1118)->click();
        sim_->clearOutputReports();
        button(ControlId::kFactoryReset)->click();
        QCOMPARE(edit(1102)->text(), QStringLiteral("12"));
        QVERIFY(button(1116)->isChecked());
        expectOneWrite(kFactoryBlock);
        QVERIFY(
            readFile(fixture_->file("UserConfig_1.ini")).find("settingToVoice=0f0f4f15bc2a2f3e") !=
            std::string::npos);
    }

    void stateReportsShowTheDeviceWithoutSendingOrStoring()
    {
        start();
        const std::string presetBefore = readFile(fixture_->file("UserConfig_1.ini"));
        const Block reported{0x0F, 0x0F, 0x4F, 0x15,
                             0x85, 0x2A, 0x2F, 0x3E}; // Master 5, mode 0, Sound Mix
        sim_->injectStateReport(reported);
        QTRY_COMPARE(edit(1102)->text(), QStringLiteral("5"));
        QVERIFY(button(1114)->isChecked());
        QCOMPARE(dialog().channel().isWaiting(), false);
        QTest::qWait(50);
        expectNothingSent();
        QCOMPARE(readFile(fixture_->file("UserConfig_1.ini")), presetBefore);

        // Wrong checksum: not a state report, nothing changes.
        std::vector<std::uint8_t> raw{0x00, 0x02, 0x0F, 0,    0,    0,    0,    0x0F,
                                      0x4F, 0x15, 0x8A, 0x2A, 0x2F, 0x3E, 0x00, 0x00};
        sim_->injectRawReport(raw);
        QTest::qWait(100);
        QCOMPARE(edit(1102)->text(), QStringLiteral("5"));

        // Mode 7: the radios and the enable state stay, the rest follows.
        dialog().setEnabled(1153, true);
        const Block oddMode{0x0F, 0x0F, 0x4F, 0x15, 0xF9, 0x2A, 0x2F, 0x3E}; // Master 9, mode 7
        sim_->injectStateReport(oddMode);
        QTRY_COMPARE(edit(1102)->text(), QStringLiteral("9"));
        QVERIFY(button(1114)->isChecked());
        QVERIFY(enabled(1153));
        expectNothingSent();

        // The next send carries what the panel shows, device values included.
        button(ControlId::kRecMute)->click();
        Block expected = oddMode;
        expected[4] = 0x89; // mode back to what the radios say: Music
        expected[5] = 0xAA;
        expectOneWrite(expected);
    }

    // A device that does not answer keeps the open's read going in a nested
    // event loop; what happens meanwhile is driven from timers inside it.
    void stateReportWhileDisabledEnablesOnlyTheMainSet()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(dialog().initialise());
        const Block reported{0x0F, 0x0F, 0x4F, 0x15, 0xB6, 0x2A, 0x2F, 0x3E};
        QTimer::singleShot(300, this, [&] { sim_->injectStateReport(reported); });
        QString shown;
        std::vector<int> wronglyEnabled, wronglyDisabled;
        QTimer::singleShot(700, this, [&] {
            shown = edit(1102)->text();
            for (int id : ControlId::kMainAdjustableSet)
                if (!enabled(id))
                    wronglyDisabled.push_back(id);
            for (int id : {1102, 1103, 1104, 1114, 1132, 1145, 1150, 1185})
                if (enabled(id))
                    wronglyEnabled.push_back(id);
            // The read goes on until the device answers.
            sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        });
        QTRY_VERIFY_WITH_TIMEOUT(enabled(1102), 10000);
        QCOMPARE(shown, QStringLiteral("6"));
        QCOMPARE(wronglyDisabled, std::vector<int>{});
        QCOMPARE(wronglyEnabled, std::vector<int>{});
    }

    void unplugDisablesEverythingAndPlugReopens()
    {
        start();
        // Another HID device goes away: the connection stays.
        fixture_->notifier.unplug();
        QVERIFY(dialog().channel().isConnected());
        QVERIFY(enabled(1102));

        sim_->unplug();
        fixture_->notifier.unplug();
        QVERIFY(!dialog().channel().isConnected());
        QVERIFY(dialog().channel().isAborted());
        for (int id : {1102, 1110, 1086, 1097, 1114, 1119, 1132, 1098, 1145, 1150, 1185, 1153})
            QVERIFY2(!enabled(id), qPrintable(QString::number(id)));

        sim_->plug();
        sim_->setBlock({0x0F, 0x0F, 0x4F, 0x15, 0xB7, 0x2A, 0x2F, 0x3E});
        fixture_->notifier.plug();
        QVERIFY(!dialog().channel().isAborted());
        QTRY_VERIFY(enabled(1102));
        QCOMPARE(edit(1102)->text(), QStringLiteral("7"));
        QTRY_COMPARE(fixture_->audio.requests().size(), std::size_t{2});
    }

    void unplugDuringTheFirstReadEndsTheOpen()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(dialog().initialise());
        bool waited = false;
        QTimer::singleShot(100, this, [&] {
            waited = dialog().channel().isWaiting();
            sim_->unplug();
            fixture_->notifier.unplug();
        });
        QTRY_VERIFY_WITH_TIMEOUT(waited && !dialog().channel().isWaiting(), 10000);
        QVERIFY(!dialog().channel().isConnected());
        QVERIFY(!enabled(1102));
        QTest::qWait(100);
        QVERIFY(fixture_->audio.requests().empty());
        QVERIFY(fixture_->player.commands().empty());
    }

    void startWithoutTheDeviceWaitsForIt()
    {
        sim_->unplug();
        create();
        QVERIFY(dialog().initialise());
        QTest::qWait(50);
        QVERIFY(!dialog().channel().isConnected());
        QVERIFY(!enabled(1102));
        sim_->plug();
        sim_->clearOutputReports();
        // Several interfaces of one card may each be announced.
        fixture_->notifier.plug();
        fixture_->notifier.plug();
        QTRY_VERIFY(enabled(1102));
        QTRY_VERIFY(!dialog().channel().isWaiting());
        QTest::qWait(50);
        const std::vector<Report> reports = sim_->outputReports();
        QCOMPARE(std::count(reports.begin(), reports.end(), kReadRequest), 1);
    }

    void plugInOpensOnceTheDeviceMayBeOpened()
    {
        sim_->unplug();
        create();
        QVERIFY(dialog().initialise());
        // The notice comes first; the device can be opened only a moment later.
        fixture_->notifier.plug();
        QTest::qWait(300);
        QVERIFY(!dialog().channel().isConnected());
        sim_->plug();
        QTRY_VERIFY_WITH_TIMEOUT(enabled(1102), 3000);
    }

    void openRetriesAfterAPlugInGiveUp()
    {
        sim_->unplug();
        create();
        QVERIFY(dialog().initialise());
        fixture_->notifier.plug();
        QTest::qWait(2600);
        sim_->plug();
        QTest::qWait(400);
        QVERIFY(!dialog().channel().isConnected());
    }

    void presetSelectionComesFromTheSettingsFile()
    {
        writeFile(fixture_->file("setting.ini"), "[setting]\nCurrentConfig=5\n");
        start();
        for (int id : ControlId::kPresetButtons)
            QVERIFY(!button(id)->isChecked());
        const std::string preset1 = readFile(fixture_->file("UserConfig_1.ini"));
        button(ControlId::kMusicMute)->click();
        QCOMPARE(readFile(fixture_->file("UserConfig_1.ini")), preset1);
        QCOMPARE(readFile(fixture_->file("setting.ini")),
                 std::string("[setting]\nCurrentConfig=5\n"));
    }

    void missingLibrariesAreReportedAndEndTheStart()
    {
        QTemporaryDir empty;
        fixture_->dialog =
            std::make_unique<CVarnelDlg>(fixture_->environment(empty.path().toStdString()));
        QVERIFY(!dialog().initialise());
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{1});
        QCOMPARE(fixture_->messages.shown[0].first, std::string("加载  NUVAUDIOCTL.so  失败"));
        QCOMPARE(fixture_->messages.shown[0].second, std::string("Message"));

        QVERIFY(QFile::link(QStringLiteral(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so"),
                            empty.filePath(QStringLiteral("NUVAUDIOCTL.so"))));
        fixture_->messages.shown.clear();
        fixture_->dialog =
            std::make_unique<CVarnelDlg>(fixture_->environment(empty.path().toStdString()));
        QVERIFY(!dialog().initialise());
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{1});
        QCOMPARE(fixture_->messages.shown[0].first, std::string("加载  NUVRecord.so  失败"));
    }

    void enterDoesNothingEscapeEnds()
    {
        start();
        dialog().show();
        QSignalSpy finished(&dialog(), &QDialog::finished);
        QTest::keyClick(edit(1102), Qt::Key_Return);
        QVERIFY(dialog().isVisible());
        expectNothingSent();

        QTest::keyClick(&dialog(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QVERIFY(dialog().channel().isExiting());
    }

    void exitDuringTheReadsRetriesEndsThem()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(dialog().initialise());
        dialog().show();
        bool waited = false;
        QTimer::singleShot(600, this, [&] {
            waited = dialog().channel().isWaiting();
            QTest::keyClick(&dialog(), Qt::Key_Escape);
        });
        QTRY_VERIFY_WITH_TIMEOUT(waited && !dialog().channel().isWaiting(), 10000);
        const std::size_t sent = sim_->outputReports().size();
        QTest::qWait(600);
        QCOMPARE(sim_->outputReports().size(), sent);
        QCOMPARE(dialog().channel().pendingCount(), std::size_t{0});
    }

    // An XEmbed tray reports a double click as a click followed by a double
    // click: only the double click toggles, once.
    void xembedTrayTogglesOnDoubleClickOnly()
    {
        start();
        dialog().show();
        CTrayIcon &tray = dialog().trayIcon();
        tray.setKindProbe([] { return CTrayIcon::Kind::XEmbed; });
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::Context);
        QVERIFY(dialog().isVisible());
    }

    // A StatusNotifierItem host reports every click as one activation and
    // never a double click: a single click toggles.
    void statusNotifierTrayTogglesOnEveryClick()
    {
        start();
        dialog().show();
        CTrayIcon &tray = dialog().trayIcon();
        tray.setKindProbe([] { return CTrayIcon::Kind::StatusNotifierItem; });
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(dialog().isVisible());
    }

    void trayMenuShowsHidesAndExitsLast()
    {
        start();
        dialog().show();
        CTrayIcon &tray = dialog().trayIcon();
        // No notification area offscreen: the panel runs without the icon.
        QVERIFY(!tray.isEnabled());
        QCOMPARE(tray.icon()->toolTip(), QStringLiteral("NUV Control"));
        QCOMPARE(tray.menu()->title(), QStringLiteral("menu"));
        QList<QAction *> items;
        for (QAction *action : tray.menu()->actions())
            if (!action->isSeparator())
                items << action;
        QCOMPARE(items.size(), 7);
        QCOMPARE(items[0]->text(), QStringLiteral("Hide Orlenta"));
        QVERIFY(items[0]->font().bold());
        for (int n = 1; n <= 4; ++n) {
            QCOMPARE(items[n]->text(), QStringLiteral("Preset %1").arg(n));
            QVERIFY(items[n]->isCheckable());
        }
        QCOMPARE(items[5]->text(), QStringLiteral("Start at login"));
        QVERIFY(items[5]->isCheckable());
        QCOMPARE(items[6]->text(), QStringLiteral("Exit"));
        QCOMPARE(items[6]->objectName(), QStringLiteral("32772"));

        items[0]->trigger();
        QVERIFY(!dialog().isVisible());
        QCOMPARE(items[0]->text(), QStringLiteral("Show Orlenta"));
        items[0]->trigger();
        QVERIFY(dialog().isVisible());
        QCOMPARE(items[0]->text(), QStringLiteral("Hide Orlenta"));

        QSignalSpy finished(&dialog(), &QDialog::finished);
        items[6]->trigger();
        QVERIFY(dialog().channel().isExiting());
        QCOMPARE(finished.count(), 1);
        // Nothing is written once the program is ending.
        sim_->clearOutputReports();
        button(ControlId::kMicMute)->click();
        expectNothingSent();
    }

    void trayPresetsFollowAndLoadThePresets()
    {
        writeFile(fixture_->file("setting.ini"), "[setting]\nCurrentConfig=2\n");
        start();
        CTrayIcon &tray = dialog().trayIcon();
        auto preset = [&](int n) { return tray.item(CVarnelDlg::kPresetCommands[n - 1]); };
        QVERIFY(preset(2)->isChecked());
        QVERIFY(!preset(1)->isChecked());
        QVERIFY(preset(3)->isEnabled());

        // A preset button click moves the check in the menu too.
        button(1145)->click();
        QVERIFY(preset(1)->isChecked());
        QVERIFY(!preset(2)->isChecked());
        sim_->clearOutputReports();

        // Choosing "Preset 3" is a click on preset button 3.
        const Block stored{0x85, 0x09, 0x47, 0x0B, 0x1B, 0xE6, 0x1D, 0xC3};
        writeFile(fixture_->file("UserConfig_3.ini"),
                  "[setting]\nsettingToVoice=8509470b1be61dc3\n");
        preset(3)->trigger();
        expectOneWrite(stored);
        QVERIFY(button(1148)->isChecked());
        QVERIFY(!button(1145)->isChecked());
        QVERIFY(preset(3)->isChecked());
        QVERIFY(!preset(1)->isChecked());
        QVERIFY(readFile(fixture_->file("setting.ini")).find("CurrentConfig=3") !=
                std::string::npos);
        QCOMPARE(edit(1108)->text(), QStringLiteral("2")); // Ducking Threshold
        QCOMPARE(edit(1109)->text(), QStringLiteral("7")); // Ducking Speed

        // While the preset buttons take no clicks, neither do the menu's presets.
        sim_->unplug();
        fixture_->notifier.unplug();
        QVERIFY(!preset(4)->isEnabled());
        preset(4)->trigger();
        QVERIFY(!button(1149)->isChecked());
        expectNothingSent();
    }

    // Without a notification area a hidden window could not come back:
    // minimise keeps it on the taskbar, the close box ends the program.
    void withoutATrayMinimiseStaysOnTheTaskbarAndCloseExits()
    {
        start();
        dialog().show();
        QVERIFY(!dialog().trayIcon().isEnabled());
        dialog().showMinimized();
        QTRY_VERIFY(dialog().isMinimized());
        QTest::qWait(50);
        QVERIFY(dialog().isVisible());
        QVERIFY(dialog().isMinimized());
        dialog().bringToFront();
        QVERIFY(!dialog().isMinimized());

        QSignalSpy finished(&dialog(), &QDialog::finished);
        dialog().close();
        QCOMPARE(finished.count(), 1);
        QVERIFY(dialog().channel().isExiting());
    }

    QWidget *recorderWindow()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window != &dialog() && window->objectName() == QStringLiteral("102"))
                return window;
        return nullptr;
    }

    // The recorder belongs to the main window, whatever window is active;
    // hiding and bringing back the main window, by any way, takes it along.
    void recorderIsTheMainWindowsChildAndComesBackWithIt()
    {
        start();
        dialog().show();
        button(ControlId::kRecord)->click();
        QWidget *recorder = recorderWindow();
        QVERIFY(recorder);
        QVERIFY(recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record<<"));
        QVERIFY(recorder->windowHandle());
        QCOMPARE(recorder->windowHandle()->transientParent(), dialog().windowHandle());

        dialog().hideToTray();
        QVERIFY(!recorder->isVisible());
        dialog().bringToFront(); // as another start asks
        QVERIFY(dialog().isVisible());
        QVERIFY(recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record<<"));

        button(ControlId::kRecord)->click();
        QVERIFY(!recorder->isVisible());
        dialog().hideToTray();
        dialog().bringToFront();
        QVERIFY(!recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record>>"));
    }

    // A card that misses the first read still becomes the default device and
    // greets; the read goes on at its pace until the card answers.
    void silentCardIsMadeDefaultAndReadUntilItAnswers()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(dialog().initialise());
        QTRY_COMPARE(fixture_->player.commands().size(), std::size_t{1});
        QCOMPARE(fixture_->audio.requests(), std::vector<std::string>{"VEK ZR-4"});
        QVERIFY(!enabled(1102));
        QTRY_VERIFY(readRequests() >= 3);
        sim_->setBlock({0x85, 0x09, 0x47, 0x0B, 0x1B, 0xE6, 0x1D, 0xC3});
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        QTRY_VERIFY(enabled(1102));
        QCOMPARE(edit(1108)->text(), QStringLiteral("2"));
        QCOMPARE(edit(1109)->text(), QStringLiteral("7"));
        QCOMPARE(fixture_->player.commands().size(), std::size_t{1});
    }

    // A change the user makes while the read is still being retried (a state
    // report enabled the controls) reaches the card between two attempts.
    void writeDuringTheRetriedReadGoesOutBetweenAttempts()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(dialog().initialise());
        QTRY_VERIFY(readRequests() >= 2);
        sim_->injectStateReport(kFactoryBlock);
        QTRY_VERIFY(enabled(1092));
        spin(1092)->upButton()->click(); // FX Type 3 -> 4
        Block expected = kFactoryBlock;
        expected[3] = 0x1D;
        QTRY_COMPARE(sim_->block(), expected);
        QVERIFY(!enabled(1102)); // still unread
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
        create();
        QVERIFY(dialog().initialise());
        QTRY_VERIFY(readRequests() >= 2);
        QVERIFY(!enabled(1102));
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        QTRY_VERIFY(enabled(1102));
    }

    // Writes still waiting when the card goes are not sent to the next one.
    void unplugDropsWaitingWrites()
    {
        start();
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        QTimer::singleShot(40, this, [&] {
            button(ControlId::kMicMute)->click();
            QCOMPARE(dialog().channel().pendingCount(), std::size_t{1});
            sim_->unplug();
            fixture_->notifier.unplug();
        });
        button(ControlId::kMusicMute)->click();
        QCOMPARE(dialog().channel().pendingCount(), std::size_t{0});
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        sim_->plug();
        sim_->clearOutputReports();
        fixture_->notifier.plug();
        QTRY_VERIFY(enabled(1102));
        QTest::qWait(50);
        const std::vector<Report> reports = sim_->outputReports();
        QCOMPARE(reports.size(), std::size_t{2});
        QCOMPARE(reports[0], kReadRequest);
    }

    // A spin arrow held while the card is still being read (a state report
    // enabled the controls): every step's write has to wait, yet at most one
    // waits, it carries the newest block, and the card ends on the value shown.
    void heldSpinArrowKeepsOneWriteWaitingWithTheNewestBlock()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(dialog().initialise());
        QTRY_VERIFY(readRequests() >= 1);
        sim_->injectStateReport(kFactoryBlock); // FX Vol 15
        QTRY_VERIFY(enabled(1094));
        std::size_t mostWaiting = 0;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this,
                [&] { mostWaiting = std::max(mostWaiting, dialog().channel().waitingWrites()); });
        sampler.start(5);
        QToolButton *down = spin(1094)->downButton();
        QTest::mousePress(down, Qt::LeftButton);
        QTest::qWait(1200);
        QTest::mouseRelease(down, Qt::LeftButton);
        const int shown = edit(1107)->text().toInt();
        QVERIFY(shown <= 10);
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        QTRY_VERIFY(enabled(1102));
        QTRY_COMPARE(dialog().channel().pendingCount(), std::size_t{0});
        sampler.stop();
        QCOMPARE(mostWaiting, std::size_t{1});
        QCOMPARE(sim_->block()[6] & 0x0F, shown);
        QCOMPARE(edit(1107)->text().toInt(), shown);
    }

    // The card is there but this user may not open it: said once per
    // plug-in, with the way to fix it, and the open is tried again as usual.
    void accessDeniedIsSaidOncePerPlugIn()
    {
        sim_->setAccessDenied(true);
        create();
        QVERIFY(dialog().initialise());
        QTRY_COMPARE(fixture_->messages.shown.size(), std::size_t{1});
        const std::string text = fixture_->messages.shown[0].first;
        QVERIFY(text.find("70-orlenta.rules") != std::string::npos);
        QVERIFY(text.find("Running against a real card") != std::string::npos);
        QCOMPARE(fixture_->messages.shown[0].second, std::string("Message"));
        // More notices of the same plug-in (each interface, the retries).
        fixture_->notifier.plug();
        fixture_->notifier.plug();
        QTest::qWait(600);
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{1});

        sim_->unplug();
        fixture_->notifier.unplug();
        sim_->plug();
        fixture_->notifier.plug();
        QTRY_COMPARE(fixture_->messages.shown.size(), std::size_t{2});

        sim_->setAccessDenied(false);
        fixture_->notifier.plug();
        QTRY_VERIFY(enabled(1102));
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{2});
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

    // Settings that cannot be saved are said once, naming the folder; once
    // saving works again, the next failure is said again.
    void unsavableSettingsAreSaidOnceNamingTheFolder()
    {
        start();
        const QString folder = fixture_->settings.path();
        QVERIFY(fixture_->settings.remove());
        button(ControlId::kMicMute)->click();
        button(ControlId::kMicMute)->click();
        button(1147)->click();
        QTRY_COMPARE(fixture_->messages.shown.size(), std::size_t{1});
        QTest::qWait(50);
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(fixture_->messages.shown[0].first).contains(folder));
        QCOMPARE(sim_->outputReports().size(), std::size_t{6}); // the card still got them

        QVERIFY(QDir().mkpath(folder));
        button(ControlId::kMicMute)->click();
        QVERIFY(QDir(folder).removeRecursively());
        button(ControlId::kMicMute)->click();
        QTRY_COMPARE(fixture_->messages.shown.size(), std::size_t{2});
    }

    void reportsOfAnyShapeLeaveThePanelAlone()
    {
        start();
        const QString before = edit(1102)->text();
        for (int length = 0; length <= 16; ++length) {
            std::vector<std::uint8_t> raw(static_cast<std::size_t>(length));
            for (int i = 0; i < length; ++i)
                raw[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x5A + 37 * i);
            if (length > 1)
                raw[1] = 0x03; // neither a state report nor an answer anyone waits for
            sim_->injectRawReport(raw);
        }
        QTest::qWait(100);
        QCOMPARE(edit(1102)->text(), before);
        expectNothingSent();
        // An answer-like report while nothing waits is dropped too.
        sim_->injectRawReport({0x00, 0xE0, 0x01, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 0x00, 0x00});
        QTest::qWait(50);
        button(ControlId::kMicMute)->click();
        QCOMPARE(sim_->outputReports().size(), std::size_t{2});
    }

    void deviceVanishingDuringAWriteKeepsTheUsersValues()
    {
        start();
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        QTimer::singleShot(60, this, [&] {
            sim_->unplug();
            fixture_->notifier.unplug();
        });
        edit(1102)->setText(QStringLiteral("9"));
        button(ControlId::kMusicMute)->click();
        QVERIFY(!dialog().channel().isWaiting());
        QVERIFY(!enabled(1102));
        QCOMPARE(edit(1102)->text(), QStringLiteral("9"));
        // The preset already holds what the user set.
        QVERIFY(
            readFile(fixture_->file("UserConfig_1.ini")).find("settingToVoice=0f0f4f15b92a2fbe") !=
            std::string::npos);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
