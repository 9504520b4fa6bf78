#include "CommandChannel.h"

#include "SnxApi.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

CommandChannel::CommandChannel(ReportWriter writer) : CommandChannel(std::move(writer), Timing{}) {}

CommandChannel::CommandChannel(ReportWriter writer, Timing timing)
    : writer_(std::move(writer)), timing_(timing), queueContext_(std::make_unique<QObject>())
{
}

CommandChannel::~CommandChannel() = default;

CommandChannel::Result CommandChannel::SendCommandJY(std::uint8_t key, CommandFrame &frame,
                                                     Completion done)
{
    return submit(Request{false, key, frame, std::move(done)}, frame);
}

CommandChannel::Result CommandChannel::RecvCommandJY(std::uint8_t index, CommandFrame &frame,
                                                     Completion done)
{
    return submit(Request{true, index, frame, std::move(done)}, frame);
}

CommandChannel::Result CommandChannel::submit(Request request, CommandFrame &callerFrame)
{
    // Behind a waiting exchange, or behind ones already queued: first asked, first sent.
    if (busy_ || !queue_.empty()) {
        queue_.push_back(std::move(request));
        return Result::Queued;
    }
    const bool answered = run(request);
    callerFrame = request.frame;
    if (!queue_.empty())
        scheduleQueue();
    return answered ? Result::Answered : Result::Failed;
}

bool CommandChannel::run(Request &request)
{
    busy_ = true;
    const bool answered = request.read ? runRead(request.keyOrIndex, request.frame)
                                       : runWrite(request.keyOrIndex, request.frame);
    busy_ = false;
    if (request.done)
        request.done(answered, captured_);
    return answered;
}

// Queued exchanges run from the event loop, after the exchange that held them
// up has returned to its caller with its answer intact.
void CommandChannel::scheduleQueue()
{
    if (queueScheduled_)
        return;
    queueScheduled_ = true;
    QTimer::singleShot(0, queueContext_.get(), [this] { runQueue(); });
}

void CommandChannel::runQueue()
{
    queueScheduled_ = false;
    while (!queue_.empty() && !busy_) {
        Request request = std::move(queue_.front());
        queue_.pop_front();
        run(request);
    }
}

bool CommandChannel::runWrite(std::uint8_t key, CommandFrame &frame)
{
    if (exiting_)
        return false;
    pause(timing_.pacing);
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
    acknowledge();
    pause(timing_.pacing);
    endExchange();
    return false;
}

bool CommandChannel::runRead(std::uint8_t index, CommandFrame &frame)
{
    while (connected_ && !exiting_) {
        pause(timing_.pacing);
        frame.writeChecksum();
        // Head 2 is the device's own state report, never an answer.
        if (frame[1] == InputReport::kStateReportHead || index != frame[1])
            return false;
        send(frame, index);
        const bool captured = waitForAnswer(timing_.readBudget);
        if (abort_)
            return false;
        if (captured) {
            if (!connected_)
                return false;
            const bool wellFormed = captured_.head() == index && captured_.checksumValid();
            acknowledge();
            endExchange();
            return wellFormed;
        }
        if (!connected_)
            return false;
        acknowledge();
        pause(timing_.readRetryPause);
        endExchange();
    }
    return false;
}

void CommandChannel::send(const CommandFrame &frame, std::uint8_t expectedHead)
{
    report_ = frame.outputReport();
    answerCaptured_ = false;
    expectedHead_ = expectedHead;
    writer_(report_.data(), static_cast<int>(report_.size()));
    report_.fill(0);
}

// Sixteen zero bytes release the device after every exchange.
void CommandChannel::acknowledge()
{
    report_.fill(0);
    writer_(report_.data(), static_cast<int>(report_.size()));
}

void CommandChannel::endExchange()
{
    answerCaptured_ = false;
    expectedHead_ = 0;
}

bool CommandChannel::waitForAnswer(std::chrono::milliseconds budget)
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
        exiting_ = true;
    return answerCaptured_;
}

void CommandChannel::wake()
{
    if (!waitLoop_)
        return;
    woken_ = true;
    waitLoop_->quit();
}

void CommandChannel::onMonitorMessage(std::uintptr_t wParam,
                                      const std::optional<InputReport::Words> &words)
{
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
        wake();
    }
}

void CommandChannel::setConnected(bool connected)
{
    connected_ = connected;
    if (!connected)
        wake();
}

void CommandChannel::setAbort(bool abort)
{
    abort_ = abort;
    if (abort)
        wake();
}

void CommandChannel::setExiting()
{
    exiting_ = true;
    wake();
}

void CommandChannel::pause(std::chrono::milliseconds duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}
