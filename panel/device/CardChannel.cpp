// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardChannel.h"

#include "LogCategories.h"
#include "RepeatingTrace.h"
#include "ReportHex.h"
#include "SnxApi.h"

#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <iterator>

namespace {

void sleepFor(std::chrono::milliseconds duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

// The panel's side of the orlenta.hid trace. Channels live on the UI thread
// and talk to the one card, so they share it.
RepeatingTrace &reportTrace()
{
    static RepeatingTrace trace(lcHid());
    return trace;
}

void traceSent(const CardFrame::Report &report, int libraryResult)
{
    if (reportTrace().enabled())
        reportTrace().write(QStringLiteral("to card %1 (library returned %2)")
                                .arg(ReportHex::text(report.data(), report.size()))
                                .arg(libraryResult));
}

void traceReceived(std::uintptr_t wParam, const std::optional<InputReport::Words> &words)
{
    if (!reportTrace().enabled())
        return;
    if (wParam != SNX_INPUT_REPORT_WPARAM || !words) {
        reportTrace().write(QStringLiteral("monitor message with wParam %1 ignored").arg(wParam));
        return;
    }
    const CardFrame::Report bytes = InputReport::fromWords(*words).bytes();
    reportTrace().write(
        QStringLiteral("from card %1").arg(ReportHex::text(bytes.data(), bytes.size())));
}

// A read that goes unanswered is asked again until it is answered: its first
// miss is told, then how many attempts it took.
void traceReadAttempt(std::uint8_t index, int attempts, bool again, bool answered)
{
    if (again && attempts == 1)
        qCDebug(lcCard).noquote()
            << QStringLiteral("read %1: no well-formed answer; asking again until one comes")
                   .arg(index);
    else if (!again && attempts > 1)
        qCDebug(lcCard).noquote() << QStringLiteral("read %1 %2 after %3 attempts")
                                         .arg(index)
                                         .arg(answered ? "answered" : "given up")
                                         .arg(attempts);
}

} // namespace

CardChannel::CardChannel(ReportWriter writer) : CardChannel(std::move(writer), Timing{}) {}

CardChannel::CardChannel(ReportWriter writer, Timing timing, Pause pause)
    : writer_(std::move(writer)), timing_(timing), pause_(pause ? std::move(pause) : sleepFor),
      queueContext_(std::make_unique<QObject>())
{
    retryTimer_.setSingleShot(true);
    QObject::connect(&retryTimer_, &QTimer::timeout, queueContext_.get(), [this] {
        if (!retry_)
            return;
        enqueue(std::move(*retry_));
        retry_.reset();
        scheduleQueue();
    });
}

CardChannel::~CardChannel() = default;

CardChannel::Result CardChannel::SendCommandJY(std::uint8_t key, CardFrame &frame, Completion done)
{
    return submit(Request{false, key, frame, std::move(done), {}, 0, {}}, frame);
}

CardChannel::Result CardChannel::RecvCommandJY(std::uint8_t index, CardFrame &frame,
                                               Completion done, FirstMiss firstMiss)
{
    return submit(Request{true, index, frame, std::move(done), std::move(firstMiss), 0, {}}, frame);
}

CardChannel::Result CardChannel::readOnce(std::uint8_t index, CardFrame &frame, Sampled done)
{
    return submit(Request{true, index, frame, {}, {}, 0, std::move(done)}, frame);
}

CardChannel::Result CardChannel::submit(Request request, CardFrame &callerFrame)
{
    // Behind a waiting exchange, or behind ones already queued: first asked, first sent.
    if (busy_ || !queue_.empty()) {
        enqueue(std::move(request));
        return Result::Queued;
    }
    const Outcome outcome = run(request);
    callerFrame = request.frame;
    if (outcome == Outcome::Retry)
        retryLater(std::move(request));
    if (!queue_.empty())
        scheduleQueue();
    switch (outcome) {
    case Outcome::Answered:
        return Result::Answered;
    case Outcome::Failed:
        return Result::Failed;
    case Outcome::Retry:
        break;
    }
    return Result::Queued;
}

std::size_t CardChannel::waitingWrites() const
{
    return static_cast<std::size_t>(
        std::count_if(queue_.begin(), queue_.end(), [](const Request &r) { return !r.read; }));
}

void CardChannel::enqueue(Request request)
{
    if (!request.read) {
        auto same = std::find_if(queue_.begin(), queue_.end(), [&](const Request &queued) {
            return !queued.read && queued.keyOrIndex == request.keyOrIndex;
        });
        if (same != queue_.end()) {
            // Whoever waits for the replaced write learns how its carrier ended.
            if (same->done && request.done)
                request.done = [replaced = std::move(same->done), newer = std::move(request.done)](
                                   bool answered, const CardFrame &answer) {
                    replaced(answered, answer);
                    newer(answered, answer);
                };
            else if (same->done)
                request.done = std::move(same->done);
            *same = std::move(request);
            return;
        }
    }
    queue_.push_back(std::move(request));
}

CardChannel::Outcome CardChannel::run(Request &request)
{
    busy_ = true;
    ++request.attempts;
    arrival_.reset();
    Outcome outcome = Outcome::Failed;
    if (request.read)
        outcome = runReadAttempt(request.keyOrIndex, request.frame);
    else if (runWrite(request.keyOrIndex, request.frame))
        outcome = Outcome::Answered;
    busy_ = false;
    if (request.sampled)
        return sampled(request, outcome);
    if (outcome == Outcome::Retry && request.attempts == 1 && request.firstMiss) {
        const FirstMiss firstMiss = std::move(request.firstMiss);
        request.firstMiss = nullptr;
        firstMiss();
    }
    // Whatever ran meanwhile may have ended the connection or the program.
    if (outcome == Outcome::Retry && (!connected_ || exiting_ || abort_))
        outcome = Outcome::Failed;
    if (request.read)
        traceReadAttempt(request.keyOrIndex, request.attempts, outcome == Outcome::Retry,
                         outcome == Outcome::Answered);
    if (outcome != Outcome::Retry && request.done)
        request.done(outcome == Outcome::Answered, captured_);
    return outcome;
}

CardChannel::Outcome CardChannel::sampled(Request &request, Outcome outcome)
{
    Sample sample;
    if (arrival_) {
        sample.answer = arrival_->report;
        sample.roundTrip = arrival_->at - sentAt_;
    }
    const Sampled done = std::move(request.sampled);
    done(sample);
    return outcome == Outcome::Retry ? Outcome::Failed : outcome;
}

// The next attempt starts no sooner than a whole wait after the last request,
// so a device that answers at once with a malformed report is asked at the
// same pace as one that does not answer at all.
void CardChannel::retryLater(Request request)
{
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - sentAt_);
    const std::chrono::milliseconds left = std::max(timing_.readBudget - waited, {});
    if (left.count() == 0) {
        enqueue(std::move(request));
        scheduleQueue();
        return;
    }
    retry_ = std::move(request);
    retryTimer_.start(left);
}

// Queued exchanges run from the event loop, one per turn, after the exchange
// that held them up has returned to its caller with its answer intact.
void CardChannel::scheduleQueue()
{
    if (queueScheduled_)
        return;
    queueScheduled_ = true;
    QTimer::singleShot(0, queueContext_.get(), [this] { runQueue(); });
}

void CardChannel::runQueue()
{
    queueScheduled_ = false;
    if (queue_.empty() || busy_)
        return;
    Request request = std::move(queue_.front());
    queue_.pop_front();
    if (run(request) == Outcome::Retry)
        retryLater(std::move(request));
    if (!queue_.empty())
        scheduleQueue();
}

void CardChannel::dropPending()
{
    std::deque<Request> dropped = std::move(queue_);
    queue_.clear();
    if (retry_)
        dropped.push_back(std::move(*retry_));
    retry_.reset();
    retryTimer_.stop();
    for (Request &request : dropped) {
        if (request.done)
            request.done(false, captured_);
        if (request.sampled)
            request.sampled({});
    }
}

void CardChannel::dropWaitingWrites()
{
    std::deque<Request> dropped;
    const auto reads = std::stable_partition(queue_.begin(), queue_.end(),
                                             [](const Request &request) { return request.read; });
    std::move(reads, queue_.end(), std::back_inserter(dropped));
    queue_.erase(reads, queue_.end());
    for (Request &request : dropped)
        if (request.done)
            request.done(false, captured_);
}

bool CardChannel::runWrite(std::uint8_t key, CardFrame &frame)
{
    if (exiting_)
        return false;
    pause_(timing_.pacing);
    frame.writeChecksum();
    if (key != (frame.head() & 0x3F))
        return false;
    send(frame, static_cast<std::uint8_t>(frame.head() | 0x80));
    // Only a report with the expected head is ever captured, so any capture is
    // the answer; its checksum is not the write's concern.
    if (waitForAnswer(timing_.writeBudget)) {
        acknowledge();
        endExchange();
        return true;
    }
    qCDebug(lcCard).noquote() << QStringLiteral("write 0x%1: no answer within %2 ms")
                                     .arg(frame.head(), 2, 16, QLatin1Char('0'))
                                     .arg(timing_.writeBudget.count());
    acknowledge();
    pause_(timing_.pacing);
    endExchange();
    return false;
}

CardChannel::Outcome CardChannel::runReadAttempt(std::uint8_t index, CardFrame &frame)
{
    if (!connected_ || exiting_)
        return Outcome::Failed;
    pause_(timing_.pacing);
    frame.writeChecksum();
    // Head 2 is the device's own state report, never an answer.
    if (frame[1] == InputReport::kStateReportHead || index != frame[1])
        return Outcome::Failed;
    send(frame, index);
    const bool captured = waitForAnswer(timing_.readBudget);
    if (abort_ || !connected_)
        return Outcome::Failed;
    const bool wellFormed = captured && captured_.head() == index && captured_.checksumValid();
    acknowledge();
    if (!wellFormed)
        pause_(timing_.readRetryPause);
    endExchange();
    if (wellFormed)
        return Outcome::Answered;
    return exiting_ ? Outcome::Failed : Outcome::Retry;
}

void CardChannel::send(const CardFrame &frame, std::uint8_t expectedHead)
{
    report_ = frame.outputReport();
    answerCaptured_ = false;
    expectedHead_ = expectedHead;
    sentAt_ = std::chrono::steady_clock::now();
    traceSent(report_, writer_(report_.data(), static_cast<int>(report_.size())));
    report_.fill(0);
}

// Sixteen zero bytes release the device after every exchange.
void CardChannel::acknowledge()
{
    report_.fill(0);
    traceSent(report_, writer_(report_.data(), static_cast<int>(report_.size())));
}

void CardChannel::endExchange()
{
    answerCaptured_ = false;
    expectedHead_ = 0;
}

bool CardChannel::waitForAnswer(std::chrono::milliseconds budget)
{
    // Without a budget only an answer that came with the request counts.
    if (answerCaptured_ || budget <= std::chrono::milliseconds::zero())
        return answerCaptured_;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(budget);
    waitLoop_ = &loop;
    woken_ = false;
    loop.exec();
    waitLoop_ = nullptr;
    // Neither the budget nor this channel ended the wait: the event loops are
    // being told to quit, so the program is ending.
    if (timer.isActive() && !woken_)
        setExiting();
    return answerCaptured_;
}

void CardChannel::wake()
{
    if (!waitLoop_)
        return;
    woken_ = true;
    waitLoop_->quit();
}

void CardChannel::onMonitorMessage(std::uintptr_t wParam,
                                   const std::optional<InputReport::Words> &words)
{
    traceReceived(wParam, words);
    if (wParam != SNX_INPUT_REPORT_WPARAM || !words)
        return;
    const InputReport report = InputReport::fromWords(*words);
    if (report.isStateReport()) {
        if (stateReportHandler_)
            stateReportHandler_(report.data());
        return;
    }
    if (expectedHead_ != 0 && report.head() == expectedHead_) {
        captured_ = report.asFrame();
        answerCaptured_ = true;
        arrival_ = Arrival{report, std::chrono::steady_clock::now()};
        wake();
    }
}

void CardChannel::setConnected(bool connected)
{
    connected_ = connected;
    if (!connected) {
        dropPending();
        wake();
    }
}

void CardChannel::setAbort(bool abort)
{
    abort_ = abort;
    if (abort)
        wake();
}

void CardChannel::setExiting()
{
    exiting_ = true;
    dropPending();
    wake();
}
