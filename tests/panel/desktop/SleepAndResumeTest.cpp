// SPDX-License-Identifier: GPL-3.0-or-later
// Sleep and resume against logind on a private system bus (run under
// private_buses.sh): the delay inhibitor held while the panel runs and let
// go only once the card's writes have settled, the read after the resume,
// and the selected preset written to a card that returns when asked.
#include "DesktopOptions.h"
#include "FailOnWarnings.h"
#include "FakeCardSession.h"
#include "FakeLogind.h"
#include "PresetRestorer.h"
#include "SleepWatcher.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

class SleepAndResumeTest : public QObject {
    Q_OBJECT

private:
    FakeLogind logind_;
    std::unique_ptr<FakeCardSession> session_;

    bool called(const char *call) const
    {
        return std::count(session_->calls.begin(), session_->calls.end(), call) > 0;
    }

private slots:
    void init()
    {
        QVERIFY2(logind_.serve(), "run under private_buses.sh");
        logind_.inhibits.clear();
        session_ = std::make_unique<FakeCardSession>();
    }
    void cleanup()
    {
        session_.reset();
        logind_.stop();
    }

    void theInhibitorIsLetGoOnceTheWritesSettleAndTakenAgainAfterTheResume()
    {
        SleepWatcher watcher(*session_);
        QSignalSpy sleeping(&watcher, &SleepWatcher::sleeping);
        watcher.start();
        QTRY_COMPARE(logind_.held, 1);
        QCOMPARE(logind_.inhibits, QStringList{QStringLiteral("sleep delay")});

        emit logind_.PrepareForSleep(true);
        QTRY_VERIFY(called("settle"));
        QCOMPARE(sleeping.count(), 1);
        QVERIFY(!called("read again"));
        // Held while a write is still on its way to the card.
        QTest::qWait(50);
        QCOMPARE(logind_.held, 1);
        session_->settling();
        QTRY_COMPARE(logind_.held, 0);

        emit logind_.PrepareForSleep(false);
        QTRY_VERIFY(called("read again"));
        QTRY_COMPARE(logind_.held, 1);
        QCOMPARE(logind_.inhibits.size(), 2);
        QCOMPARE(sleeping.count(), 1);
    }

    // Only logind's own signal counts; without logind nothing happens and
    // nothing is said, and a logind that comes later is followed.
    void withoutLogindNothingHappens()
    {
        logind_.stop();
        failOnWarningsOfOurOwn();
        SleepWatcher watcher(*session_);
        watcher.start();
        emit logind_.PrepareForSleep(true);
        QTest::qWait(100);
        QVERIFY(session_->calls.empty());
        QVERIFY(logind_.serve());
        emit logind_.PrepareForSleep(true);
        QTRY_VERIFY(called("settle"));
        QCOMPARE(session_->calls.size(), std::size_t{1});
    }

    // Off by default: the card keeps the state it brings. On: once the card
    // is read after a plug-in or a resume, the selected preset goes to it.
    void theSelectedPresetIsWrittenToACardThatReturnsWhenAsked()
    {
        QTemporaryDir folder;
        DesktopOptions options(folder.filePath(QStringLiteral("setting.ini")).toStdString());
        QVERIFY(!options.isOn(DesktopOptions::Option::RestorePreset));
        PresetRestorer restorer(*session_, options);
        session_->setCardState(CardState::Ready);
        session_->setCardState(CardState::Absent);
        session_->setCardState(CardState::Ready);
        QTest::qWait(20);
        QVERIFY(session_->calls.empty());

        QVERIFY(!options.set(DesktopOptions::Option::RestorePreset, true));
        session_->loadPreset(3, {});
        session_->setCardState(CardState::Absent);
        session_->setCardState(CardState::Opening);
        QTest::qWait(20);
        QCOMPARE(session_->calls, std::vector<std::string>{"preset 3"});
        session_->setCardState(CardState::Ready);
        QTRY_COMPARE(session_->calls.size(), std::size_t{2});
        QCOMPARE(session_->calls.back(), "preset 3");
        // Read again after a resume.
        session_->setCardState(CardState::Opening);
        session_->setCardState(CardState::Ready);
        QTRY_COMPARE(session_->calls.size(), std::size_t{3});
        QTest::qWait(20);
        QCOMPARE(session_->calls.size(), std::size_t{3});
    }
};

QTEST_GUILESS_MAIN(SleepAndResumeTest)
#include "SleepAndResumeTest.moc"
