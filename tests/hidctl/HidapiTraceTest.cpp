// SPDX-License-Identifier: GPL-3.0-or-later
// The hidapi library's orlenta.hid trace against a card behind hidraw (the
// stand-in hidapi, linked into this program; see HidapiLibraryWithCardTest):
// its hex is what hid_write was handed and what hid_read returned, a card
// that never answers does not fill the log, and a report of a shape the card
// does not send is told once.
#include "HidrawCard.h"
#include "RecordingWindow.h"
#include "SnxLibrary.h"

#include <QLoggingCategory>
#include <QStringList>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

namespace {

using Bytes = HidrawCard::Bytes;

constexpr unsigned kMonitorMessage = 1124;
const unsigned char kFactoryWrite[SNX_REPORT_SIZE] = {
    0x00, 0x00, 0x60, 0x00, 0x00, 0x0C, 0x45, 0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0x35};
const unsigned char kReadRequest[SNX_REPORT_SIZE] = {
    0x00, 0x00, 0x41, 0x00, 0x00, 0x0C, 0x45, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x42};
const unsigned char kRelease[SNX_REPORT_SIZE] = {};

struct Message {
    QtMsgType type;
    QString text;
};
std::vector<Message> hidMessages;

void keepHidMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (QLatin1String(context.category) == QLatin1String("orlenta.hid"))
        hidMessages.push_back({type, text});
}

QString hex(const Bytes &bytes)
{
    QStringList digits;
    for (const std::uint8_t byte : bytes)
        digits << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
    return digits.join(' ');
}

class HidapiTraceTest : public testing::Test {
protected:
    void SetUp() override
    {
        QLoggingCategory::setFilterRules("orlenta.hid.debug=true");
        previous = qInstallMessageHandler(keepHidMessages);
        hidMessages.clear();
        card.reset();
        library = std::make_unique<SnxLibrary>(ORLENTA_STAGE_DIR "/NUVAUDIOCTL.so");
        ASSERT_TRUE(library->complete()) << library->error();
        ASSERT_EQ(library->findDeviceWithId(0x0C45, 0x1F7D), 1);
        library->openHidMonitor(&window);
        library->setMonitorMessage(kMonitorMessage);
    }

    void TearDown() override
    {
        library.reset();
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules({});
    }

    // Closing the device ends its trace, writing what it still counted.
    void close()
    {
        library->closeHidMonitor();
        library->closeDevice();
    }

    static QStringList lines(const QString &start)
    {
        QStringList found;
        for (const Message &message : hidMessages) {
            if (message.text.startsWith(start))
                found << message.text;
        }
        return found;
    }

    HidrawCard &card = HidrawCard::instance();
    RecordingWindow window;
    std::unique_ptr<SnxLibrary> library;
    QtMessageHandler previous = nullptr;
};

TEST_F(HidapiTraceTest, HexIsWhatHidWriteWasHandedAndWhatHidReadReturned)
{
    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 1);
    const auto answer = window.next();
    ASSERT_TRUE(answer);
    EXPECT_EQ(library->outputReport(kRelease, SNX_REPORT_SIZE), 1);
    close();

    QStringList expectedWrites;
    for (const Bytes &handed : card.handedToWrite())
        expectedWrites
            << QStringLiteral("hid_write %1 bytes: %2 -> %1").arg(handed.size()).arg(hex(handed));
    EXPECT_EQ(lines("hid_write"), expectedWrites);
    // The card's answer as it came over the wire: the posted report without
    // the id byte the library put in front.
    Bytes wire;
    for (const std::uint32_t word : answer->words)
        for (int shift = 24; shift >= 0; shift -= 8)
            wire.push_back(static_cast<std::uint8_t>(word >> shift));
    wire.erase(wire.begin());
    EXPECT_EQ(lines("hid_read"), QStringList{QStringLiteral("hid_read 15 bytes: ") + hex(wire)});
}

TEST_F(HidapiTraceTest, SilentCardsRepeatedRequestsAreCountedNotTraced)
{
    card.setAnswerMode(SIM_ANSWER_SILENT);
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        library->outputReport(kReadRequest, SNX_REPORT_SIZE);
        library->outputReport(kRelease, SNX_REPORT_SIZE);
    }
    close();

    EXPECT_EQ(lines("hid_write").size(), 4);
    EXPECT_EQ(lines("(").join('\n'), "(the last 2 line(s) came round 10 more times so far)\n"
                                     "(20 more line(s) repeating the cycle of the last 2)");
    EXPECT_EQ(card.handedToWrite().size(), std::size_t{2 * kRounds});
}

TEST_F(HidapiTraceTest, RefusedReportIsTracedWithHidapisReason)
{
    card.setReportId(5);
    EXPECT_EQ(library->outputReport(kReadRequest, SNX_REPORT_SIZE), 0);
    close();

    EXPECT_EQ(lines("hid_write"),
              QStringList{"hid_write 16 bytes: 00 00 41 00 00 0c 45 01 00 00 00 00 00 00 00 42 -> "
                          "-1 (Broken pipe)"});
}

TEST_F(HidapiTraceTest, ReportOfAnotherShapeIsToldOnceAndReadAllTheSame)
{
    card.sendInputReport(Bytes(9, 0x01));
    card.sendInputReport(Bytes(64, 0x01));
    card.sendInputReport(Bytes{0x05, 0x02});
    card.sendInputReport(Bytes(16, 0x05));
    card.sendInputReport(Bytes(16, 0x05));
    for (int report = 0; report < 5; ++report)
        ASSERT_TRUE(window.next()) << "report " << report << " was not posted";
    close();

    QStringList warnings;
    for (const Message &message : hidMessages) {
        if (message.type == QtWarningMsg)
            warnings << message.text;
    }
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith("/dev/hidraw0 sent an input report of 9 bytes"));
    EXPECT_EQ(
        lines("/dev/hidraw0 numbers its input reports"),
        QStringList{"/dev/hidraw0 numbers its input reports (id 0x05); the id byte is not read"});
}

} // namespace
