// SPDX-License-Identifier: GPL-3.0-or-later
// The whole running panel on the desktop's buses (run under
// private_buses.sh), over the simulated card: a global shortcut reaches the
// card and is notified while the window is hidden, the card's own change is
// notified, and sleep lets the inhibitor go and the resume reads the card.
#include "FakeLogind.h"
#include "FakeNotificationServer.h"
#include "FakePortal.h"
#include "ParameterBlock.h"
#include "SimulatedPanelTest.h"

using namespace panel_test;

class DesktopSessionTest : public SimulatedPanelTest {
    Q_OBJECT

private:
    FakeNotificationServer notifications_;
    FakeLogind logind_;
    FakePortal portal_;

    bool cardMicMuted() const { return ParameterBlock(sim_->block()).unpack().micMute; }
    QString lastNotification() const
    {
        return notifications_.calls.isEmpty() ? QString() : notifications_.calls.last().summary;
    }

private slots:
    void initTestCase()
    {
        loadSimulatedDevice();
        QVERIFY2(notifications_.serve() && logind_.serve() && portal_.serve(),
                 "run under private_buses.sh");
    }
    void init() { freshPanel(); }
    void cleanup() { dropPanel(); }

    void aHiddenPanelFollowsTheDesktop()
    {
        create();
        QVERIFY(panel().initialise());
        panel().showAtStart(true); // as at login: what follows the first frame runs at once
        QVERIFY(!panel().visibility().isShown());
        QTRY_COMPARE(session().cardState(), CardState::Ready);
        QTRY_COMPARE(portal_.bound.size(), qsizetype{11});
        QTRY_COMPARE(logind_.held, 1);

        portal_.activate(QStringLiteral("toggle-mic-mute"), portal_.session);
        QTRY_VERIFY(cardMicMuted());
        QTRY_COMPARE(lastNotification(), QStringLiteral("Mic muted"));

        sim_->injectStateReport(kFactoryBlock);
        QTRY_COMPARE(lastNotification(), QStringLiteral("Mic unmuted"));

        const long reads = readRequests();
        emit logind_.PrepareForSleep(true);
        QTRY_COMPARE(logind_.held, 0);
        emit logind_.PrepareForSleep(false);
        QTRY_VERIFY(readRequests() > reads);
        QTRY_COMPARE(logind_.held, 1);
        QCOMPARE(session().cardState(), CardState::Ready);
    }
};

QTEST_MAIN(DesktopSessionTest)
#include "DesktopSessionTest.moc"
