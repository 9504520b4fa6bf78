// SPDX-License-Identifier: GPL-3.0-or-later
// The whole running panel over the simulated card: what the user sees and
// what the card receives for the window's clicks, the libraries it needs, the
// docked recorder, and a spin arrow held down.
#include "ControlIds.h"
#include "SimulatedPanelTest.h"
#include "UpDownControl.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>

using namespace panel_test;

class MainWindowTest : public SimulatedPanelTest {
    Q_OBJECT

private:
    UpDownControl *spin(int id) { return dynamic_cast<UpDownControl *>(dialog().control(id)); }

    QWidget *recorderWindow()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window != &dialog() && window->objectName() == QStringLiteral("102"))
                return window;
        return nullptr;
    }

private slots:
    void initTestCase() { loadSimulatedDevice(); }
    void init() { freshPanel(); }
    void cleanup() { dropPanel(); }

    void startReadsTheCardAndShowsIt()
    {
        create();
        QVERIFY(panel().initialise());
        panel().showAtStart(false);
        // The card opens, and the recorder loads, once the window has painted.
        QVERIFY(!enabled(1102));
        QVERIFY(!panel().recorder().isLoaded());
        QVERIFY(QTest::qWaitForWindowExposed(&dialog()));
        QTRY_VERIFY(enabled(1102));
        QVERIFY(panel().recorder().isLoaded());
        const std::vector<Report> reports = sim_->outputReports();
        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports[0], kReadRequest);
        QCOMPARE(reports[1], kZeroReport);
        // Factory block: Master 12, Music 14, Rec 10, FX Type 3, "Sing", Sound Mix.
        QCOMPARE(edit(1102)->text(), QStringLiteral("12"));
        QCOMPARE(edit(1103)->text(), QStringLiteral("14"));
        QCOMPARE(edit(1105)->text(), QStringLiteral("3"));
        QVERIFY(button(1116)->isChecked());
        QVERIFY(button(ControlId::kSoundMix)->isChecked());
        QVERIFY(button(1145)->isChecked());
        for (int id : {1102, 1110, 1114, 1119, 1132, 1098, 1145, 1149, 1150, 1185, 1086, 1097})
            QVERIFY2(enabled(id), qPrintable(QString::number(id)));
        for (int id : ControlId::kAuxiliarySet)
            QVERIFY(!enabled(id));
        QTRY_COMPARE(fixture_->player.commands().size(), std::size_t{1});
        QCOMPARE(fixture_->audio.requests(), std::vector<std::string>{"VEK ZR-4"});

        // Unplugged, nothing takes input.
        sim_->unplug();
        fixture_->notifier.unplug();
        for (int id : {1102, 1110, 1086, 1097, 1114, 1119, 1132, 1098, 1145, 1150, 1185, 1153})
            QVERIFY2(!enabled(id), qPrintable(QString::number(id)));
    }

    // Each click is one whole block for the card, typed numbers included.
    void theWindowsClicksReachTheCard()
    {
        start();
        spin(1086)->upButton()->click();
        Block expected = kFactoryBlock;
        expected[4] = 0xBD; // Master 13
        expectOneWrite(expected);
        // The keys go the same way; Up at the top of the range sends nothing.
        QTest::keyClick(edit(1102), Qt::Key_End);
        expected[4] = 0xBF; // Master 15
        expectOneWrite(expected);
        QTest::keyClick(edit(1102), Qt::Key_Up);
        expectNothingSent();

        QTest::keyClicks(edit(1103), QStringLiteral("9"));
        edit(1103)->setText(QStringLiteral("99"));
        expectNothingSent();
        button(ControlId::kMicMute)->click();
        expected[6] = 0xAF; // Mic Mute
        expected[7] = 0x3F; // Music Vol 99 packed as 15
        expectOneWrite(expected);

        button(1114)->click(); // Music
        expected[4] = 0x8F; // Master 15, Music
        expectOneWrite(expected);
        QCOMPARE(session().shown().mode(), 0);

        button(ControlId::kFactoryReset)->click();
        expectOneWrite(kFactoryBlock);
        QCOMPARE(edit(1102)->text(), QStringLiteral("12"));
        QCOMPARE(edit(1103)->text(), QStringLiteral("14"));
        QVERIFY(button(1116)->isChecked());
    }

    void missingLibrariesAreReportedAndEndTheStart()
    {
        QTemporaryDir empty;
        fixture_->panel =
            std::make_unique<PanelProgram>(fixture_->environment(empty.path().toStdString()));
        QVERIFY(!panel().initialise());
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{1});
        QCOMPARE(fixture_->messages.shown[0].first, std::string("加载  NUVAUDIOCTL.so  失败"));
        QCOMPARE(fixture_->messages.shown[0].second, std::string("Message"));

        QVERIFY(QFile::link(QStringLiteral(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so"),
                            empty.filePath(QStringLiteral("NUVAUDIOCTL.so"))));
        fixture_->messages.shown.clear();
        fixture_->panel =
            std::make_unique<PanelProgram>(fixture_->environment(empty.path().toStdString()));
        QVERIFY(!panel().initialise());
        QCOMPARE(fixture_->messages.shown.size(), std::size_t{1});
        QCOMPARE(fixture_->messages.shown[0].first, std::string("加载  NUVRecord.so  失败"));
    }

    // The recorder belongs to the main window, whatever window is active;
    // hiding and bringing back the main window, by any way, takes it along,
    // and the card going hides it. The Record button's caption follows the
    // recorder however it was shown or hidden.
    void recorderIsTheMainWindowsChildAndComesBackWithIt()
    {
        start();
        QTRY_VERIFY(panel().recorder().isLoaded());
        button(ControlId::kRecord)->click();
        QWidget *recorder = recorderWindow();
        QVERIFY(recorder);
        QVERIFY(recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record<<"));
        QVERIFY(recorder->windowHandle());
        QCOMPARE(recorder->windowHandle()->transientParent(), dialog().windowHandle());

        panel().visibility().hideToTray();
        QVERIFY(!recorder->isVisible());
        panel().visibility().bringToFront(); // as another start asks
        QVERIFY(dialog().isVisible());
        QVERIFY(recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record<<"));

        sim_->unplug();
        fixture_->notifier.unplug();
        QVERIFY(!recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record>>"));
        sim_->plug();
        fixture_->notifier.plug();
        QTRY_VERIFY(enabled(ControlId::kRecord));

        button(ControlId::kRecord)->click();
        QVERIFY(recorder->isVisible());
        QTest::keyClick(recorder, Qt::Key_Escape);
        QVERIFY(!recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record>>"));
        button(ControlId::kRecord)->click();
        QVERIFY(recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record<<"));
        button(ControlId::kRecord)->click();
        QVERIFY(!recorder->isVisible());
        panel().visibility().hideToTray();
        panel().visibility().bringToFront();
        QVERIFY(!recorder->isVisible());
        QCOMPARE(button(ControlId::kRecord)->text(), QStringLiteral("Record>>"));
    }

    // A spin arrow held while the card is still being read (a state report
    // enabled the controls): every step's write has to wait, yet at most one
    // waits, it carries the newest block, and the card ends on the value shown.
    void heldSpinArrowKeepsOneWriteWaitingWithTheNewestBlock()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        create();
        QVERIFY(panel().initialise());
        panel().showAtStart(false);
        QTRY_VERIFY(readRequests() >= 1);
        sim_->injectStateReport(kFactoryBlock); // FX Vol 15
        QTRY_VERIFY(enabled(1094));
        const CardChannel &channel = session().channel();
        std::size_t mostWaiting = 0;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this,
                [&] { mostWaiting = std::max(mostWaiting, channel.waitingWrites()); });
        sampler.start(5);
        QToolButton *down = spin(1094)->downButton();
        QTest::mousePress(down, Qt::LeftButton);
        QTest::qWait(1200);
        QTest::mouseRelease(down, Qt::LeftButton);
        const int shown = edit(1107)->text().toInt();
        QVERIFY(shown <= 10);
        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        QTRY_VERIFY(enabled(1102));
        QTRY_COMPARE(channel.pendingCount(), std::size_t{0});
        sampler.stop();
        QCOMPARE(mostWaiting, std::size_t{1});
        QCOMPARE(sim_->block()[6] & 0x0F, shown);
        QCOMPARE(edit(1107)->text().toInt(), shown);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
