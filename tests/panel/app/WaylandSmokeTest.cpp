// SPDX-License-Identifier: GPL-3.0-or-later
// The panel as a Wayland client of a real compositor (run by
// wayland_smoke.sh): it starts, connects to the card, opens and closes the
// recorder as its own transient child, and ends.
#include "ControlIds.h"
#include "PanelFixture.h"
#include "SimulatedDevice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <dlfcn.h>

class WaylandSmokeTest : public QObject {
    Q_OBJECT

private slots:
    void startConnectRecordAndExit()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        void *handle = dlopen(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so", RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(handle, dlerror());
        SimulatedDevice sim(handle);
        QVERIFY(sim.resolved());
        sim.reset();

        PanelFixture fixture;
        fixture.panel = std::make_unique<PanelProgram>(fixture.environment());
        CVarnelDlg &dialog = fixture.panel->window();
        QVERIFY(fixture.panel->initialise());
        fixture.panel->showAtStart(false);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY(dialog.control(1102)->isEnabled());
        QTRY_VERIFY(fixture.panel->recorder().isLoaded());
        QCOMPARE(qobject_cast<QLineEdit *>(dialog.control(1102))->text(), QStringLiteral("12"));

        auto *record = qobject_cast<QAbstractButton *>(dialog.control(ControlId::kRecord));
        record->click();
        QWidget *recorder = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window != &dialog && window->objectName() == QStringLiteral("102"))
                recorder = window;
        QVERIFY(recorder);
        QVERIFY(QTest::qWaitForWindowExposed(recorder));
        QCOMPARE(recorder->windowHandle()->transientParent(), dialog.windowHandle());
        QCOMPARE(record->text(), QStringLiteral("Record<<"));
        record->click();
        QTRY_VERIFY(!recorder->isVisible());

        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.exitProgram();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!dialog.isVisible());
        fixture.panel.reset();
        sim.reset();
    }
};

QTEST_MAIN(WaylandSmokeTest)
#include "WaylandSmokeTest.moc"
