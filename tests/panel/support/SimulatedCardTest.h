// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What tests over the simulated card share: the very module the code under
// test loads by the same path, and the checks of what the card received.
#include "PanelTestSupport.h"

#include <QObject>
#include <QTest>

#include <dlfcn.h>

#include <memory>

class SimulatedCardTest : public QObject {
protected:
    using Report = panel_test::Report;
    using Block = panel_test::Block;

    void *simHandle_ = nullptr;
    std::unique_ptr<SimulatedDevice> sim_;

    // For initTestCase.
    void loadSimulatedDevice()
    {
        simHandle_ = dlopen(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so", RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(simHandle_, dlerror());
        sim_ = std::make_unique<SimulatedDevice>(simHandle_);
        QVERIFY(sim_->resolved());
    }

    long readRequests() const
    {
        const std::vector<Report> reports = sim_->outputReports();
        return std::count(reports.begin(), reports.end(), panel_test::kReadRequest);
    }

    // The card saw exactly one block write with this block, then the zero report.
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
