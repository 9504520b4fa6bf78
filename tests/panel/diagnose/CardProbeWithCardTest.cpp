// SPDX-License-Identifier: GPL-3.0-or-later
// The card section against the real HID library over a card behind hidraw
// (the stand-in hidapi, linked into this program; see
// HidapiLibraryWithCardTest), with a private sysfs, /dev and udev tree.
#include "CardProbe.h"
#include "FakeSystemTree.h"
#include "HidrawCard.h"
#include "LibraryCardLink.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

using Bytes = HidrawCard::Bytes;

constexpr auto kShortWait = std::chrono::milliseconds(300);
const QString kReadRequest = QStringLiteral("00 00 41 00 00 0c 45 01 00 00 00 00 00 00 00 42");
// The card's answer with the factory block, as the library rebuilds it.
const QString kFactoryAnswer = QStringLiteral("00 01 0f 00 00 00 00 0f 4f 15 bc 2a 2f 3e d6 00");

class CardProbeWithCardTest : public testing::Test {
protected:
    void SetUp() override { card.reset(); }

    ProbeResult probe()
    {
        CardProbe::Setup setup;
        setup.sysRoot = tree.sysRoot();
        setup.devRoot = tree.devRoot();
        setup.udevRuleFolders = tree.udevRuleFolders();
        setup.link =
            std::make_shared<LibraryCardLink>(ORLENTA_STAGE_DIR "/NUVAUDIOCTL.so", kShortWait);
        return CardProbe(setup).run();
    }

    static QString openResult(const ProbeResult &result)
    {
        return result.section["open"].toObject()["result"].toString();
    }

    static QJsonObject stateRead(const ProbeResult &result)
    {
        return result.section["state_read"].toObject();
    }

    HidrawCard &card = HidrawCard::instance();
    FakeSystemTree tree;
};

TEST_F(CardProbeWithCardTest, FoundCardIsReadOnceAndItsNodeDescribed)
{
    tree.addNode("hidraw0", 0x0C45, 0x1F7D, 3, FakeSystemTree::cardDescriptor());
    tree.addNode("hidraw1", 0x046D, 0xC52B, 0, FakeSystemTree::cardDescriptor());
    // What logind adds for the user at the seat when the rule's uaccess applies.
    const unsigned char acl[] = {2,    0,    0,    0,    1,    0,    6,    0,    0xFF, 0xFF, 0xFF,
                                 0xFF, 2,    0,    6,    0,    0xFE, 0xFF, 0,    0,    4,    0,
                                 4,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0,    6,    0,    0xFF,
                                 0xFF, 0xFF, 0xFF, 0x20, 0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(setxattr((tree.devRoot() / "hidraw0").c_str(), "system.posix_acl_access", acl,
                       sizeof acl, 0),
              0)
        << std::strerror(errno);
    const Microcontroller::Block before = card.block();

    const ProbeResult result = probe();

    EXPECT_TRUE(result.problems.empty()) << result.problems.front().what.toStdString();
    EXPECT_EQ(openResult(result), "opened");
    EXPECT_EQ(stateRead(result)["sent"].toString(), kReadRequest);
    EXPECT_EQ(stateRead(result)["received"].toString(), kFactoryAnswer);
    EXPECT_EQ(stateRead(result)["checksum"].toString(), "right");
    EXPECT_GE(stateRead(result)["round_trip_ms"].toDouble(), 0.0);
    // Read only: the request and the zero report, the block as it was.
    EXPECT_EQ(card.receivedReports().size(), 2u);
    EXPECT_EQ(card.receivedReports().back(), Bytes(15, 0x00));
    EXPECT_EQ(card.block(), before);

    const QJsonArray interfaces = result.section["interfaces"].toArray();
    ASSERT_EQ(interfaces.size(), 1) << "another device's node was listed";
    const QJsonObject node = interfaces[0].toObject();
    EXPECT_EQ(node["node"].toString(), HidrawCard::kPath);
    EXPECT_EQ(node["library_order"].toInt(), 1);
    EXPECT_EQ(node["interface"].toInt(), 3);
    EXPECT_EQ(node["usage_page"].toString(), "ff00");
    EXPECT_EQ(node["input_report_bytes"].toInt(), 15);
    EXPECT_EQ(node["output_report_bytes"].toInt(), 15);
    EXPECT_TRUE(node["report_ids"].toArray().isEmpty());
    EXPECT_EQ(node["owner"].toString(), QString::fromLocal8Bit(getpwuid(geteuid())->pw_name))
        << "the test made the node, as whoever runs it";
    EXPECT_TRUE(node["you_can_open"].toBool());
    EXPECT_EQ(node["acl"].toArray(), QJsonArray{"user:nobody:rw-"});
    EXPECT_TRUE(result.section["udev_rule"].isNull());
}

TEST_F(CardProbeWithCardTest, DeniedCardPointsAtTheUdevRuleOrAtPluggingInAgain)
{
    card.refuseOpens(EACCES);

    ProbeResult result = probe();
    EXPECT_EQ(openResult(result), "denied");
    EXPECT_TRUE(result.section["state_read"].isNull());
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].what, "the card's hidraw node is not readable by you");
    EXPECT_EQ(result.problems[0].fix,
              "install the udev rule, see README 'Running against a real card'");
    EXPECT_TRUE(CardProbe::cardPresent(result.section));

    tree.installRule(1);
    result = probe();
    const QString rule =
        QString::fromStdString((tree.udevRuleFolders()[1] / "70-orlenta.rules").string());
    EXPECT_EQ(result.section["udev_rule"].toString(), rule);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_TRUE(result.problems[0].what.contains(rule));
    EXPECT_TRUE(result.problems[0].fix.startsWith("unplug the card and plug it in again"));
}

TEST_F(CardProbeWithCardTest, AbsentCardIsNotFound)
{
    card.unplug();

    const ProbeResult result = probe();
    EXPECT_EQ(openResult(result), "not found");
    EXPECT_FALSE(CardProbe::cardPresent(result.section));
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].what, "the card (USB 0c45:1f7d) was not found");
}

TEST_F(CardProbeWithCardTest, SilentCardIsAProblemThatNamesTheInterfacesShape)
{
    card.setAnswerMode(SIM_ANSWER_SILENT);
    tree.addNode("hidraw0", 0x0C45, 0x1F7D, 3, FakeSystemTree::numberedDescriptor(5));

    const ProbeResult result = probe();
    EXPECT_EQ(openResult(result), "opened");
    EXPECT_TRUE(stateRead(result)["received"].isNull());
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].what,
              "the card did not answer the state read; /dev/hidraw0 declares numbered reports "
              "(id 5), 64-byte input reports, 64-byte output reports where the card has "
              "unnumbered 15-byte reports");
    EXPECT_EQ(card.receivedReports().back(), Bytes(15, 0x00)) << "the card was not released";
}

TEST_F(CardProbeWithCardTest, SecondInterfaceThatAnswersNothingIsListedFirstAndFoundSilent)
{
    card.addSilentInterface(HidrawCard::kUsagePage, true);

    const ProbeResult result = probe();
    const QJsonArray interfaces = result.section["interfaces"].toArray();
    ASSERT_EQ(interfaces.size(), 2);
    EXPECT_EQ(interfaces[0].toObject()["node"].toString(), HidrawCard::kSilentPath);
    EXPECT_EQ(interfaces[1].toObject()["node"].toString(), HidrawCard::kPath);
    EXPECT_EQ(interfaces[1].toObject()["library_order"].toInt(), 2);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].what, "the card did not answer the state read");
}

TEST_F(CardProbeWithCardTest, AnswerWithAWrongChecksumIsAProblem)
{
    card.setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);

    const ProbeResult result = probe();
    EXPECT_EQ(stateRead(result)["checksum"].toString(), "wrong");
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].what, "the card's answer to the state read has a wrong checksum");
}

} // namespace
