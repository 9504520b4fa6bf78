// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the main-window test classes share: the simulated device loaded from
// the simulated program folder, a fresh panel per test, and the checks of
// what the device received.
#include "PanelFixture.h"
#include "PanelTestSupport.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include <dlfcn.h>

#include <memory>

class SimulatedPanelTest : public QObject {
protected:
    using Report = panel_test::Report;
    using Block = panel_test::Block;

    void *simHandle_ = nullptr;
    std::unique_ptr<SimulatedDevice> sim_;
    std::unique_ptr<PanelFixture> fixture_;

    CVarnelDlg &dialog() { return *fixture_->dialog; }
    QLineEdit *edit(int id) { return qobject_cast<QLineEdit *>(dialog().control(id)); }
    QAbstractButton *button(int id)
    {
        return qobject_cast<QAbstractButton *>(dialog().control(id));
    }
    bool enabled(int id) { return dialog().control(id)->isEnabled(); }

    // For initTestCase: the very module the window loads by the same path.
    void loadSimulatedDevice()
    {
        simHandle_ = dlopen(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so", RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(simHandle_, dlerror());
        sim_ = std::make_unique<SimulatedDevice>(simHandle_);
        QVERIFY(sim_->resolved());
    }

    // For init and cleanup.
    void freshPanel()
    {
        fixture_.reset();
        sim_->reset();
        fixture_ = std::make_unique<PanelFixture>();
        QVERIFY(fixture_->settings.isValid());
    }
    void dropPanel()
    {
        fixture_.reset();
        sim_->reset();
    }

    void create() { fixture_->dialog = std::make_unique<CVarnelDlg>(fixture_->environment()); }

    // Creates and initialises the window; the device is open and read when
    // this returns, and the report log is empty again.
    void start()
    {
        create();
        QVERIFY(dialog().initialise());
        QTRY_VERIFY(enabled(1102));
        QTRY_VERIFY(!dialog().channel().isWaiting());
        sim_->clearOutputReports();
    }

    // The device saw exactly one block write with this block, then the zero report.
    void expectOneWrite(const Block &block)
    {
        const std::vector<Report> reports = sim_->outputReports();
        QCOMPARE(reports.size(), std::size_t{2});
        QCOMPARE(reports[0], panel_test::writeReport(block));
        QCOMPARE(reports[1], panel_test::kZeroReport);
        QCOMPARE(sim_->block(), block);
        sim_->clearOutputReports();
    }

    void expectNothingSent() { QCOMPARE(sim_->outputReports().size(), std::size_t{0}); }
};
