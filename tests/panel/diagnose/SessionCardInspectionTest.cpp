// SPDX-License-Identifier: GPL-3.0-or-later
// The running panel's answer for the card section, from a session over the
// simulated card: the one read goes through the panel's own channel, beside
// its exchanges, and leaves the panel's own state alone; a card the panel has
// not open gets the answers a command would find.
#include "SessionCardInspection.h"
#include "HidCardSession.h"
#include "LibraryCardLink.h"
#include "SimulatedCardTest.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <memory>

using namespace panel_test;

namespace {

QByteArray bytesOf(const Report &report)
{
    return QByteArray(reinterpret_cast<const char *>(report.data()),
                      static_cast<qsizetype>(report.size()));
}

// The simulated card's answer to the read with the factory block.
const Report kFactoryAnswer{0x00, 0x01, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x0F,
                            0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0xD6, 0x00};

} // namespace

class SessionCardInspectionTest : public SimulatedCardTest {
    Q_OBJECT

private:
    QTemporaryDir settings_;
    std::unique_ptr<HidCardSession> session_;

    // As the running panel starts; opened once the event loop runs.
    void begin()
    {
        session_.reset();
        HidCardSession::Setup setup;
        setup.programFolder = ORLENTA_SIM_STAGE_DIR;
        setup.settingsFolder = settings_.path().toStdString();
        session_ = std::make_unique<HidCardSession>(setup);
        QVERIFY(session_->loadLibrary());
        session_->start();
    }

    void startReady()
    {
        begin();
        QTRY_COMPARE(session_->cardState(), CardState::Ready);
        QTRY_VERIFY(!session_->channel().isWaiting());
        sim_->clearOutputReports();
    }

    // For a card the panel has not open, which is answered at once.
    std::optional<CardLink::Result> inspect()
    {
        std::optional<CardLink::Result> result;
        SessionCardInspection::inspect(*session_,
                                       [&](const CardLink::Result &answer) { result = answer; });
        return result;
    }

    CardLink::Result inspectAndWait()
    {
        std::optional<CardLink::Result> result;
        SessionCardInspection::inspect(*session_,
                                       [&](const CardLink::Result &answer) { result = answer; });
        [&] { QTRY_VERIFY(result); }();
        return result.value_or(CardLink::Result{});
    }

private slots:
    void initTestCase()
    {
        loadSimulatedDevice();
        QVERIFY(settings_.isValid());
    }
    void init() { sim_->reset(); }
    void cleanup()
    {
        session_.reset();
        sim_->reset();
    }

    // Asked while a write waits for the card, as a request on the socket
    // may be: the read goes out after the write, through the same channel.
    void openCardIsReadOnceBehindThePanelsExchanges()
    {
        startReady();
        std::optional<CardLink::Result> result;
        QTimer::singleShot(0, [&] {
            QVERIFY(session_->channel().isWaiting());
            SessionCardInspection::inspect(
                *session_, [&](const CardLink::Result &answer) { result = answer; });
            QVERIFY(!result);
        });
        std::optional<bool> written;
        session_->factoryReset([&](bool answered) { written = answered; });
        QTRY_VERIFY(written && *written);
        QTRY_VERIFY(result);

        QCOMPARE(result->open, CardLink::Open::Opened);
        QVERIFY(result->libraryPath.endsWith("stage-sim/NUVAUDIOCTL.so"));
        QVERIFY(!result->interfaces); // the simulated device does not list them
        QVERIFY(result->stateRead);
        QCOMPARE(result->stateRead->sent, bytesOf(kReadRequest));
        QCOMPARE(result->stateRead->received, bytesOf(kFactoryAnswer));
        QVERIFY(result->stateRead->checksumRight);
        QVERIFY(result->stateRead->roundTripMs >= 0);
        const std::vector<Report> reports = sim_->outputReports();
        QCOMPARE(reports.size(), std::size_t{4});
        QCOMPARE(reports[0], writeReport(kFactoryBlock));
        QCOMPARE(reports[2], kReadRequest);
        QCOMPARE(reports[3], kZeroReport);
        QCOMPARE(session_->cardState(), CardState::Ready);

        // What crosses the socket comes out whole.
        QCOMPARE(CardLink::Result::decode(result->encode()), result);
        QVERIFY(!CardLink::Result::decode("{\"open\": \"ajar\"}"));
        QVERIFY(!CardLink::Result::decode("orlenta: unknown command 'diagnose'"));
    }

    // The panel's own read of a silent card goes on being asked; the one
    // read takes nothing of it and ends after its one attempt.
    void silentCardIsToldAndThePanelsOwnReadGoesOn()
    {
        sim_->setAnswerMode(SIM_ANSWER_SILENT);
        begin();
        QTRY_COMPARE(session_->cardState(), CardState::NotAnswering);

        const CardLink::Result result = inspectAndWait();
        QCOMPARE(result.open, CardLink::Open::Opened);
        QVERIFY(result.stateRead);
        QVERIFY(!result.stateRead->received);

        sim_->setAnswerMode(SIM_ANSWER_NORMAL);
        QTRY_COMPARE(session_->cardState(), CardState::Ready);
    }

    void wrongChecksumIsToldOnceAndNotAskedAgain()
    {
        startReady();
        sim_->setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);

        const CardLink::Result result = inspectAndWait();
        QVERIFY(result.stateRead);
        Report answer = kFactoryAnswer;
        answer[14] = 0xD7;
        QCOMPARE(result.stateRead->received, bytesOf(answer));
        QVERIFY(!result.stateRead->checksumRight);
        // A read is asked again a whole read's wait after its request.
        QTest::qWait(2 * CardChannel::Timing{}.readBudget.count());
        QCOMPARE(sim_->outputReports(), (std::vector<Report>{kReadRequest, kZeroReport}));
        QCOMPARE(session_->cardState(), CardState::Ready);
    }

    void cardThePanelHasNotOpenGetsTheAnswersACommandFinds()
    {
        LibraryCardLink command(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so");

        sim_->unplug();
        begin();
        QCoreApplication::processEvents(); // the open the start queued
        QCOMPARE(session_->cardState(), CardState::Absent);
        std::optional<CardLink::Result> absent = inspect();
        QVERIFY(absent);
        QCOMPARE(absent->open, CardLink::Open::NotFound);
        QVERIFY(!absent->stateRead);
        QCOMPARE(absent->open, command.inspect().open);

        sim_->plug();
        sim_->setAccessDenied(true);
        begin();
        QTRY_COMPARE(session_->cardState(), CardState::AccessDenied);
        std::optional<CardLink::Result> denied = inspect();
        QVERIFY(denied);
        QCOMPARE(denied->open, CardLink::Open::Denied);
        QCOMPARE(denied->openError, EACCES);
        const CardLink::Result found = command.inspect();
        QCOMPARE(denied->open, found.open);
        QCOMPARE(denied->openError, found.openError);
        expectNothingSent();
    }
};

QTEST_GUILESS_MAIN(SessionCardInspectionTest)
#include "SessionCardInspectionTest.moc"
