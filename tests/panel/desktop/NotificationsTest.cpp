// SPDX-License-Identifier: GPL-3.0-or-later
// Notifications of what changed, against a notification server on a private
// session bus (run under private_buses.sh): which changes are told, one
// Notify each, each replacing the one the server answered last.
#include "ChangeNotifier.h"
#include "DesktopNotifications.h"
#include "DesktopOptions.h"
#include "FailOnWarnings.h"
#include "FakeCardSession.h"
#include "FakeNotificationServer.h"
#include "FakeWindow.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class NotificationsTest : public QObject {
    Q_OBJECT

private:
    FakeNotificationServer server_;

    struct Panel {
        QTemporaryDir folder;
        FakeCardSession session;
        FakeWindow window;
        DesktopOptions options{folder.filePath(QStringLiteral("setting.ini")).toStdString()};
        DesktopNotifications notifications;
        ChangeNotifier notifier{session, window, options, notifications};
    };
    std::unique_ptr<Panel> p_;
    uint connectedId_ = 0;

    QList<FakeNotificationServer::Call> &calls() { return server_.calls; }
    QStringList summaries() const { return server_.summaries(); }
    void reportMicMute(bool muted)
    {
        PanelValues values = p_->session.shown().values();
        values.micMute = muted;
        p_->session.report(values);
    }
    // A last change told with the window hidden: once it is there, every
    // change before it has been decided, in order.
    void expectOnlyThenMarker(const QStringList &before)
    {
        p_->window.shown = false;
        p_->session.loadPreset(4, {});
        QTRY_COMPARE(summaries(), before + QStringList{QStringLiteral("Preset 4")});
    }

private slots:
    void initTestCase() { QVERIFY2(server_.serve(), "run under private_buses.sh"); }
    void init()
    {
        server_.calls.clear();
        p_ = std::make_unique<Panel>();
        p_->session.setCardState(CardState::Ready);
        QTRY_COMPARE(summaries(), QStringList{QStringLiteral("VEK ZR-4 connected")});
        QCOMPARE(calls()[0].replacesId, 0u);
        connectedId_ = calls()[0].id;
        server_.calls.clear();
    }
    void cleanup() { p_.reset(); }

    // A fresh setting.ini has every kind on. Changes that come faster than
    // the server answers are told in order, each replacing the last.
    void everyChangeIsOneNotificationReplacingTheLast()
    {
        reportMicMute(true);
        PanelValues values = p_->session.shown().values();
        values.mode = 1;
        values.masterVol = 9;
        p_->session.apply(values, {});
        p_->session.factoryReset({});
        p_->session.setCardState(CardState::Absent);
        p_->session.setCardState(CardState::AccessDenied);
        p_->session.setCardState(CardState::Ready);
        expectOnlyThenMarker(
            {QStringLiteral("Mic muted"), QStringLiteral("Mode: Chat, Master volume 9"),
             QStringLiteral("Factory settings"), QStringLiteral("VEK ZR-4 removed"),
             QStringLiteral("VEK ZR-4 may not be opened"), QStringLiteral("VEK ZR-4 connected")});
        QCOMPARE(calls()[0].replacesId, connectedId_);
        for (qsizetype i = 1; i < calls().size(); ++i)
            QCOMPARE(calls()[i].replacesId, calls()[i - 1].id);
        QCOMPARE(calls()[0].icon, QStringLiteral("org.orlenta.Orlenta-mic-muted"));
        QCOMPARE(calls()[0].body, QStringLiteral("Mode: Sing · Preset 1 · Master volume 12"));
        QCOMPARE(calls()[0].hints.value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("org.orlenta.Orlenta"));
        QCOMPARE(calls()[3].icon, QStringLiteral("org.orlenta.Orlenta-no-card"));
        QVERIFY(calls()[4].body.contains(QStringLiteral("70-orlenta.rules")));
    }

    // At start the card is found, not plugged in: only what follows is news.
    void theFirstLookAtTheCardTellsNothing()
    {
        FakeCardSession starting;
        starting.setLookedForCard(false);
        starting.setCardState(CardState::NoLibrary);
        ChangeNotifier notifier{starting, p_->window, p_->options, p_->notifications};
        starting.setCardState(CardState::Absent);
        starting.setCardState(CardState::Opening);
        starting.setLookedForCard(true);
        starting.setCardState(CardState::Ready);
        starting.setCardState(CardState::Absent);
        expectOnlyThenMarker({QStringLiteral("VEK ZR-4 removed")});
    }

    // In front, the window shows every change itself; shown without the
    // focus, it shows changes from outside but not what the card did.
    void noneWhileTheWindowIsInFront()
    {
        p_->window.shown = true;
        p_->window.active = true;
        reportMicMute(true);
        p_->session.loadPreset(2, {});
        p_->session.setCardState(CardState::Absent);
        p_->session.setCardState(CardState::Ready);
        p_->window.active = false;
        reportMicMute(true);
        p_->session.loadPreset(3, {});
        expectOnlyThenMarker({QStringLiteral("Mic muted")});
    }

    void eachKindFollowsItsOptionAndOneSwitchEndsThemAll()
    {
        using Option = DesktopOptions::Option;
        QVERIFY(!p_->options.set(Option::CardChangeNotices, false));
        reportMicMute(true);
        QVERIFY(!p_->options.set(Option::ConnectionNotices, false));
        p_->session.setCardState(CardState::Absent);
        p_->session.setCardState(CardState::Ready);
        p_->session.loadPreset(2, {});
        QVERIFY(!p_->options.set(Option::CommandChangeNotices, false));
        p_->session.loadPreset(3, {});
        QVERIFY(!p_->options.set(Option::CommandChangeNotices, true));
        QVERIFY(!p_->options.set(Option::Notifications, false));
        p_->session.loadPreset(1, {});
        QVERIFY(!p_->options.set(Option::Notifications, true));
        expectOnlyThenMarker({QStringLiteral("Preset 2")});
    }

    // No server on the bus: nothing shows and nothing is said, and a server
    // that comes later gets the next change.
    void withoutAServerNothingIsSaid()
    {
        QVERIFY(server_.stop());
        failOnWarningsOfOurOwn();
        reportMicMute(true);
        QTest::qWait(200); // the bus's answer that nobody serves the name
        QVERIFY(server_.serve());
        expectOnlyThenMarker({});
    }
};

QTEST_GUILESS_MAIN(NotificationsTest)
#include "NotificationsTest.moc"
