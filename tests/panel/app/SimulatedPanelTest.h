// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the whole-panel test classes share: the simulated card loaded from the
// simulated program folder and a fresh panel per test.
#include "PanelFixture.h"
#include "SimulatedCardTest.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include <memory>

class SimulatedPanelTest : public SimulatedCardTest {
protected:
    std::unique_ptr<PanelFixture> fixture_;

    PanelProgram &panel() { return *fixture_->panel; }
    CVarnelDlg &dialog() { return panel().window(); }
    HidCardSession &session() { return panel().session(); }
    QLineEdit *edit(int id) { return qobject_cast<QLineEdit *>(dialog().control(id)); }
    QAbstractButton *button(int id)
    {
        return qobject_cast<QAbstractButton *>(dialog().control(id));
    }
    bool enabled(int id) { return dialog().control(id)->isEnabled(); }

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

    void create() { fixture_->panel = std::make_unique<PanelProgram>(fixture_->environment()); }

    // Creates, initialises and shows the panel; the card is open and read
    // when this returns, and the report log is empty again.
    void start()
    {
        create();
        QVERIFY(panel().initialise());
        panel().showAtStart(false);
        QTRY_COMPARE(session().cardState(), CardState::Ready);
        QTRY_VERIFY(!session().channel().isWaiting());
        sim_->clearOutputReports();
    }
};
