// SPDX-License-Identifier: GPL-3.0-or-later
// Global shortcuts against the desktop portal on a private session bus (run
// under private_buses.sh): the session created and the shortcuts bound by
// the Request/Response pattern, and what each Activated signal does.
#include "FailOnWarnings.h"
#include "FakeCardSession.h"
#include "FakePortal.h"
#include "FakeWindow.h"
#include "GlobalShortcutsPortal.h"
#include "ShortcutActions.h"

#include <QRegularExpression>
#include <QTest>

#include <memory>

class GlobalShortcutsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakePortal> portal_;

    struct Panel {
        FakeCardSession session;
        FakeWindow window;
        ShortcutActions actions{session, window};
        GlobalShortcutsPortal shortcuts{ShortcutActions::shortcuts()};
        Panel()
        {
            QObject::connect(&shortcuts, &GlobalShortcutsPortal::activated, &shortcuts,
                             [this](const QString &id) { actions.run(id); });
        }
    };
    std::unique_ptr<Panel> p_;

    // Activations act in order: once the last one's call is there, every
    // one before it has acted.
    void activateThenMarker(const QStringList &ids)
    {
        for (const QString &id : ids)
            portal_->activate(id, portal_->session);
        portal_->activate(QStringLiteral("preset-4"), portal_->session);
        QTRY_VERIFY(!p_->session.calls.empty() && p_->session.calls.back() == "preset 4");
        p_->session.calls.pop_back();
    }

private slots:
    void init()
    {
        portal_ = std::make_unique<FakePortal>();
        QVERIFY2(portal_->serve(), "run under private_buses.sh");
        p_ = std::make_unique<Panel>();
    }
    void cleanup()
    {
        p_.reset();
        portal_->stop();
        portal_.reset();
    }

    // The desktop keeps the user's keys by these ids: they never change.
    void theShortcutsAreBoundByTheirStableIds()
    {
        p_->shortcuts.start();
        QTRY_VERIFY(p_->shortcuts.isBound());
        QCOMPARE(portal_->sessionOptions.value(QStringLiteral("session_handle_token")).toString(),
                 QStringLiteral("orlenta"));
        QStringList ids;
        for (const BoundShortcut &shortcut : portal_->bound)
            ids << shortcut.id;
        QCOMPARE(ids, (QStringList{"toggle-mic-mute", "toggle-music-mute", "toggle-record-mute",
                                   "next-mode", "preset-1", "preset-2", "preset-3", "preset-4",
                                   "master-volume-up", "master-volume-down", "show-hide"}));
        QCOMPARE(portal_->bound[0].properties.value(QStringLiteral("description")).toString(),
                 QStringLiteral("Toggle mic mute"));
        QCOMPARE(portal_->bound[10].properties.value(QStringLiteral("description")).toString(),
                 QStringLiteral("Show or hide Orlenta"));
    }

    void eachActivationActsThroughTheSession()
    {
        p_->shortcuts.start();
        QTRY_VERIFY(p_->shortcuts.isBound());
        // Without a read card only the window answers.
        portal_->activate(QStringLiteral("toggle-mic-mute"), portal_->session);
        portal_->activate(QStringLiteral("show-hide"), portal_->session);
        QTRY_COMPARE(p_->window.toggles, 1);
        QVERIFY(p_->session.calls.empty());
        p_->session.setCardState(CardState::Ready);

        activateThenMarker({QStringLiteral("toggle-mic-mute"), QStringLiteral("toggle-record-mute"),
                            QStringLiteral("next-mode"), QStringLiteral("master-volume-up"),
                            QStringLiteral("master-volume-up"), QStringLiteral("preset-2"),
                            QStringLiteral("no-such-shortcut")});
        QCOMPARE(p_->session.calls, (std::vector<std::string>{"apply", "apply", "apply", "apply",
                                                              "apply", "preset 2"}));
        const PanelState &shown = p_->session.shown();
        QVERIFY(shown.values().micMute);
        QVERIFY(shown.values().recMute);
        QVERIFY(!shown.values().musicMute);
        QCOMPARE(shown.mode(), 4); // Sing to MC
        QCOMPARE(shown.values().masterVol, 14);
        // Another session's activation is not ours.
        portal_->activate(QStringLiteral("show-hide"),
                          QStringLiteral("/org/freedesktop/portal/desktop/session/x/y"));
        activateThenMarker({});
        QCOMPARE(p_->window.toggles, 1);
    }

    // A desktop without the portal, or with a portal that lacks the
    // interface: nothing binds, nothing is said.
    void withoutThePortalNothingBreaks()
    {
        failOnWarningsOfOurOwn();
        portal_->stop();
        p_->shortcuts.start();
        QTest::qWait(100);
        QVERIFY(!p_->shortcuts.isBound());

        QVERIFY(portal_->serve(false));
        p_ = std::make_unique<Panel>();
        p_->shortcuts.start();
        QTest::qWait(100);
        QVERIFY(!p_->shortcuts.isBound());
        QVERIFY(portal_->sessionOptions.isEmpty());
    }
};

QTEST_GUILESS_MAIN(GlobalShortcutsTest)
#include "GlobalShortcutsTest.moc"
