// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardFrame.h"
#include "InputReport.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QEventLoop;

// Carries frames to the card as output reports and waits for the
// answer while the event loop keeps running, so input, state reports and
// device notices are handled during the wait. One exchange runs at a time:
// one asked for during another's wait runs right after it.
//
// A read is made of attempts. An unanswered (or malformed) attempt is tried
// again from the event loop at the read's own pace, behind whatever was asked
// for meanwhile, until it is answered, the device goes away or the program
// ends. A block write asked for while another write of the same kind still
// waits in the queue takes that one's place: the device only ever needs the
// newest block, so a held spin arrow never builds up a backlog.
class CardChannel {
public:
    using ReportWriter = std::function<int(const unsigned char *report, int length)>;
    using StateReportHandler = std::function<void(const CardFrame::Data &data)>;
    // Called once when the exchange ends, with the captured answer (head,
    // eight data bytes, checksum) still in place; a request dropped because
    // the device went away or the program ends ends unanswered. A queued write
    // that a newer one replaced is carried on by the newer one and ends with
    // it, as answered or not as that one.
    using Completion = std::function<void(bool answered, const CardFrame &answer)>;
    // Called once when a read's first attempt went unanswered; the read goes on.
    using FirstMiss = std::function<void()>;
    // Holds the thread for the pacing pauses between reports.
    using Pause = std::function<void(std::chrono::milliseconds)>;
    // What one read attempt brought back: the report with the read's head as
    // it came, well-formed or not, and how long after the request went out;
    // none when nothing came (or the request never went out).
    struct Sample {
        std::optional<InputReport> answer;
        std::chrono::nanoseconds roundTrip{0};
    };
    using Sampled = std::function<void(const Sample &sample)>;

    enum class Result { Answered, Failed, Queued };

    struct Timing {
        std::chrono::milliseconds pacing{10};       // before every request
        std::chrono::milliseconds writeBudget{200}; // one write's wait
        std::chrono::milliseconds readBudget{240};  // one read attempt's wait
        std::chrono::milliseconds readRetryPause{3};
    };

    explicit CardChannel(ReportWriter writer);
    CardChannel(ReportWriter writer, Timing timing, Pause pause = {});
    ~CardChannel();

    void setStateReportHandler(StateReportHandler handler)
    {
        stateReportHandler_ = std::move(handler);
    }

    // A write: succeeds when the device answers with head | 0x80. key must be
    // the head's low six bits. The frame's checksum byte is filled in.
    Result SendCommandJY(std::uint8_t key, CardFrame &frame, Completion done = {});
    // A read: attempted until a well-formed answer with head index arrives,
    // the device goes away, or the program ends; Queued once it goes on in
    // the background. Index 2 is never requested.
    Result RecvCommandJY(std::uint8_t index, CardFrame &frame, Completion done = {},
                         FirstMiss firstMiss = {});
    // One attempt of a read, never asked again: what the card answers, as it
    // answers it, for a diagnosis. Queued like any request; done is called
    // once, also when the request is dropped.
    Result readOnce(std::uint8_t index, CardFrame &frame, Sampled done);

    // The monitor message: input reports arrive here in order.
    void onMonitorMessage(std::uintptr_t wParam, const std::optional<InputReport::Words> &words);

    const CardFrame &capturedAnswer() const { return captured_; }
    bool isWaiting() const { return busy_; }
    // Requests waiting their turn, a read waiting to be tried again included.
    std::size_t pendingCount() const { return queue_.size() + (retry_ ? 1 : 0); }
    // Writes waiting their turn: never more than one of a kind.
    std::size_t waitingWrites() const;

    // Writes waiting their turn end unanswered and are never sent; the one
    // under way and reads go on.
    void dropWaitingWrites();

    // Going away drops every request still waiting: they were meant for the
    // device that is gone.
    void setConnected(bool connected);
    bool isConnected() const { return connected_; }
    void setAbort(bool abort);
    bool isAborted() const { return abort_; }
    // Never cleared: once the program is ending, no write starts.
    void setExiting();
    bool isExiting() const { return exiting_; }

private:
    struct Request {
        bool read = false;
        std::uint8_t keyOrIndex = 0;
        CardFrame frame;
        Completion done;
        FirstMiss firstMiss;
        int attempts = 0;
        Sampled sampled; // a read of one attempt
    };
    enum class Outcome { Answered, Failed, Retry };

    Result submit(Request request, CardFrame &callerFrame);
    void enqueue(Request request);
    Outcome run(Request &request);
    // Tells a read of one attempt what came, and ends it.
    Outcome sampled(Request &request, Outcome outcome);
    bool runWrite(std::uint8_t key, CardFrame &frame);
    Outcome runReadAttempt(std::uint8_t index, CardFrame &frame);
    void send(const CardFrame &frame, std::uint8_t expectedHead);
    void acknowledge();
    void endExchange();
    bool waitForAnswer(std::chrono::milliseconds budget);
    void wake();
    void retryLater(Request request);
    void scheduleQueue();
    void runQueue();
    void dropPending();

    ReportWriter writer_;
    Timing timing_;
    Pause pause_;
    StateReportHandler stateReportHandler_;

    CardFrame::Report report_{};
    CardFrame captured_;
    bool answerCaptured_ = false;
    std::uint8_t expectedHead_ = 0;
    std::chrono::steady_clock::time_point sentAt_;
    // The running exchange's answer as it came, and when.
    struct Arrival {
        InputReport report;
        std::chrono::steady_clock::time_point at;
    };
    std::optional<Arrival> arrival_;

    bool connected_ = false;
    bool abort_ = false;
    bool exiting_ = false;

    bool busy_ = false;
    QEventLoop *waitLoop_ = nullptr;
    bool woken_ = false;
    std::deque<Request> queue_;
    std::optional<Request> retry_;
    bool queueScheduled_ = false;
    std::unique_ptr<QObject> queueContext_;
    QTimer retryTimer_;
};
