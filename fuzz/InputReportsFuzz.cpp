// SPDX-License-Identifier: GPL-3.0-or-later
// Input reports as the HID library reads them from hidraw: rebuilt into the
// 16 report bytes and the monitor message's four words, then handled by the
// card channel, first while no exchange runs, then as the device's answer
// to one write or read request. State reports, and only they, reach the
// panel; an exchange is answered exactly when a report with the head it
// expects came, and keeps that report's bytes as its answer.
//
// The channel runs without time budgets and the device answers from inside
// the write of the request, so no event loop turns during an input.
#include "CardChannel.h"
#include "FuzzCheck.h"
#include "HidrawReport.h"
#include "InputReport.h"
#include "ReportWords.h"

#include <QCoreApplication>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <optional>
#include <vector>

namespace {

using Report = CardFrame::Report;
using Data = CardFrame::Data;
using Raw = std::vector<std::uint8_t>;

// The hidapi library reads into a buffer this long.
constexpr std::size_t kLongestRead = 64;
constexpr std::size_t kMostIdleReports = 3;
constexpr std::uint8_t kStateReportHead = 0x02;

// hidraw gives a report without its id byte; a full-size read already holds it.
Report rebuilt(const Raw &raw)
{
    Report bytes{};
    if (raw.size() == bytes.size())
        std::copy(raw.begin(), raw.end(), bytes.begin());
    else
        std::copy_n(raw.begin(), std::min(raw.size(), bytes.size() - 1), bytes.begin() + 1);
    return bytes;
}

Data dataOf(const Report &bytes)
{
    Data data{bytes[2]};
    std::copy(bytes.begin() + 7, bytes.begin() + 14, data.begin() + 1);
    return data;
}

bool checksumValid(const Report &bytes)
{
    const Data data = dataOf(bytes);
    return bytes[14] == std::uint8_t(std::accumulate(data.begin(), data.end(), unsigned{bytes[1]}));
}

bool isStateReport(const Report &bytes)
{
    return bytes[1] == kStateReportHead && checksumValid(bytes);
}

Report outputReportOf(std::uint8_t head, const Data &data)
{
    Report report{0x00, 0x00, head, 0x00, 0x00, 0x0C, 0x45};
    std::copy(data.begin(), data.end(), report.begin() + 7);
    report[15] = std::uint8_t(std::accumulate(data.begin(), data.end(), unsigned{head}));
    return report;
}

CardChannel::Timing instant()
{
    using std::chrono::milliseconds;
    CardChannel::Timing timing;
    timing.pacing = timing.writeBudget = timing.readBudget = timing.readRetryPause =
        milliseconds(0);
    return timing;
}

struct Exchange {
    bool read;
    std::uint8_t headOrIndex;
    std::uint8_t key;
    Data data;
};

class Run {
public:
    Run()
    {
        channel_.setStateReportHandler([this](const Data &data) { stateData_.push_back(data); });
    }

    void deliver(const Raw &raw)
    {
        const Report bytes = HidrawReport::deviceView(raw.data(), raw.size());
        FUZZ_CHECK(bytes == rebuilt(raw));
        const ReportWords::Words words = ReportWords::pack(bytes);
        FUZZ_CHECK(InputReport::fromWords(words).bytes() == bytes);
        delivered_.push_back(bytes);
        channel_.onMonitorMessage(SNX_INPUT_REPORT_WPARAM, words);
    }

    CardChannel::Result exchange(const Exchange &exchange, CardFrame &frame,
                                 const std::vector<Raw> &answer)
    {
        answer_ = &answer;
        channel_.setConnected(true);
        return exchange.read ? channel_.RecvCommandJY(exchange.headOrIndex, frame)
                             : channel_.SendCommandJY(exchange.key, frame);
    }

    CardChannel &channel() { return channel_; }
    const std::vector<Report> &delivered() const { return delivered_; }
    const std::vector<Report> &sent() const { return sent_; }
    const std::vector<Data> &stateData() const { return stateData_; }

private:
    // The device: its answer comes with the first request; a request made
    // again finds it gone.
    int write(const unsigned char *report, int length)
    {
        FUZZ_CHECK(length == int(sizeof(Report)));
        Report bytes{};
        std::copy_n(report, bytes.size(), bytes.begin());
        sent_.push_back(bytes);
        if (bytes == Report{})
            return 1;
        if (!answer_)
            channel_.setConnected(false);
        else
            for (const Raw &raw : *std::exchange(answer_, nullptr))
                deliver(raw);
        return 1;
    }

    CardChannel channel_{[this](const unsigned char *r, int n) { return write(r, n); }, instant()};
    const std::vector<Raw> *answer_ = nullptr;
    std::vector<Report> delivered_;
    std::vector<Report> sent_;
    std::vector<Data> stateData_;
};

void checkExchange(const Exchange &exchange, const CardFrame &frame, CardChannel::Result result,
                   Run &run, std::size_t idleCount)
{
    const bool refused = exchange.read ? exchange.data[0] == kStateReportHead ||
                                             exchange.data[0] != exchange.headOrIndex
                                       : exchange.key != (exchange.headOrIndex & 0x3F);
    if (refused) {
        FUZZ_CHECK(run.sent().empty());
        FUZZ_CHECK(result == CardChannel::Result::Failed);
        return;
    }
    const std::uint8_t sentHead =
        exchange.read ? CardFrame::kReadRequestHead : exchange.headOrIndex;
    FUZZ_CHECK(run.sent().size() >= 2);
    FUZZ_CHECK(run.sent()[0] == outputReportOf(sentHead, exchange.data));
    FUZZ_CHECK(run.sent()[1] == Report{});
    FUZZ_CHECK(frame.checksumValid());

    const std::uint8_t expected =
        exchange.read ? exchange.headOrIndex : exchange.headOrIndex | 0x80;
    std::optional<Report> last;
    for (std::size_t i = idleCount; i < run.delivered().size(); ++i) {
        const Report &bytes = run.delivered()[i];
        if (!isStateReport(bytes) && bytes[1] == expected)
            last = bytes;
    }
    // Head 0 marks an idle channel, so a read of index 0 is never answered.
    const bool answered = expected != 0 && last && (!exchange.read || checksumValid(*last));
    FUZZ_CHECK((result == CardChannel::Result::Answered) == answered);
    if (answered) {
        const CardFrame &captured = run.channel().capturedAnswer();
        FUZZ_CHECK(captured.head() == (*last)[1]);
        FUZZ_CHECK(captured.data() == dataOf(*last));
        FUZZ_CHECK(captured.checksum() == (*last)[14]);
        FUZZ_CHECK(run.sent().size() == 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider input(bytes, size);
    Exchange exchange{};
    exchange.read = input.ConsumeBool();
    exchange.headOrIndex = input.ConsumeIntegral<std::uint8_t>();
    const bool keyAsAsked = input.ConsumeIntegralInRange(0, 7) != 0;
    exchange.key = keyAsAsked ? exchange.headOrIndex & 0x3F : input.ConsumeIntegral<std::uint8_t>();
    for (std::uint8_t &byte : exchange.data)
        byte = input.ConsumeIntegral<std::uint8_t>();
    if (exchange.read && keyAsAsked)
        exchange.data[0] = exchange.headOrIndex;
    const std::size_t idleCount = input.ConsumeIntegralInRange<std::size_t>(0, kMostIdleReports);
    std::vector<Raw> idle;
    std::vector<Raw> answer;
    while (input.remaining_bytes() > 0) {
        const auto length = input.ConsumeIntegralInRange<std::size_t>(0, kLongestRead);
        (idle.size() < idleCount ? idle : answer)
            .push_back(input.ConsumeBytes<std::uint8_t>(length));
    }

    Run run;
    for (const Raw &raw : idle)
        run.deliver(raw);
    // Nothing is captured while no exchange waits.
    FUZZ_CHECK(run.channel().capturedAnswer().bytes() == CardFrame().bytes());

    CardFrame frame = exchange.read ? CardFrame(CardFrame::kReadRequestHead, exchange.data)
                                    : CardFrame(exchange.headOrIndex, exchange.data);
    const CardChannel::Result result = run.exchange(exchange, frame, answer);
    checkExchange(exchange, frame, result, run, idle.size());

    std::vector<Data> stateData;
    for (const Report &delivered : run.delivered())
        if (isStateReport(delivered))
            stateData.push_back(dataOf(delivered));
    FUZZ_CHECK(run.stateData() == stateData);
    return 0;
}
