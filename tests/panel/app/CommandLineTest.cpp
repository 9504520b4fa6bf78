// SPDX-License-Identifier: GPL-3.0-or-later
// The command line is checked whole before anything is sent.
#include "CommandLine.h"
#include "CommandTable.h"
#include "SettingKeys.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace {

using Kind = CommandLine::Kind;

CommandLine::Parsed parse(const std::string &line)
{
    std::vector<std::string> args;
    std::istringstream words(line);
    for (std::string word; words >> word;)
        args.push_back(word);
    return CommandLine::parse(args);
}

std::string errorOf(const std::string &line)
{
    const CommandLine::Parsed parsed = parse(line);
    EXPECT_FALSE(parsed.command) << line;
    return parsed.error;
}

TEST(CommandLineTest, ShorthandsAreTheSetTheyStandFor)
{
    EXPECT_EQ(parse("mode sing").command->changes, parse("set mode=sing").command->changes);
    EXPECT_EQ(parse("mute rec off").command->changes, parse("set rec-mute=off").command->changes);
    const CommandLine toggle = *parse("mute music toggle").command;
    ASSERT_EQ(toggle.changes.size(), 1u);
    EXPECT_EQ(toggle.changes[0].key->name, "music-mute");
    EXPECT_EQ(toggle.changes[0].op, SettingAssignment::Op::Toggle);

    const CommandLine set = *parse("set master-vol=0 fx-type=6 sound-mix=false").command;
    EXPECT_EQ(set.kind, Kind::Set);
    EXPECT_EQ(set.changes.size(), 3u);
    EXPECT_EQ(parse("preset 4").command->preset, 4);
    EXPECT_TRUE(parse("status --json").command->json);
    EXPECT_TRUE(parse("autostart on").command->autostartOn);
}

TEST(CommandLineTest, EveryFaultIsNamed)
{
    EXPECT_EQ(errorOf("sett master-vol=1"), "unknown command 'sett'");
    EXPECT_EQ(errorOf("set volume=1"), "unknown key 'volume'");
    EXPECT_EQ(errorOf("set master-vol"), "'master-vol' is not KEY=VALUE");
    EXPECT_EQ(errorOf("set =3"), "'=3' is not KEY=VALUE");
    EXPECT_EQ(errorOf("set master-vol=16"),
              "master-vol must be a whole number from 0 to 15, not '16'");
    EXPECT_EQ(errorOf("set master-vol=1 master-vol=2"), "master-vol is given twice");
    EXPECT_EQ(errorOf("set mode=sing mode=chat"), "mode is given twice");
    EXPECT_EQ(errorOf("set"), "set needs at least one KEY=VALUE");
    EXPECT_NE(errorOf("set preset=2"), "");
    EXPECT_NE(errorOf("set connected=true"), "");
    EXPECT_NE(errorOf("mute mic"), "");
    EXPECT_NE(errorOf("mute mics on"), "");
    EXPECT_NE(errorOf("mute mic maybe"), "");
    EXPECT_NE(errorOf("mode sing chat"), "");
    for (const char *bad :
         {"preset", "preset 0", "preset 5", "preset 1x", "preset 01", "preset 1 2"})
        EXPECT_NE(errorOf(bad), "") << bad;
    EXPECT_NE(errorOf("status --yaml"), "");
    EXPECT_EQ(errorOf("diagnose --yaml"), "diagnose takes only --json");
    EXPECT_NE(errorOf("reset now"), "");
    EXPECT_NE(errorOf("autostart yes"), "");
}

TEST(CommandLineTest, WithoutACommandThePanelStartsAndKeepsItsOptions)
{
    EXPECT_EQ(parse("").command->kind, Kind::StartPanel);
    EXPECT_TRUE(parse("--hidden").command->hidden);
    EXPECT_FALSE(parse("-platform offscreen").command->hidden);
    EXPECT_EQ(parse("-platform offscreen").command->kind, Kind::StartPanel);
    EXPECT_EQ(parse("--help").command->kind, Kind::Help);
    EXPECT_EQ(parse("--version").command->kind, Kind::Version);
}

TEST(CommandLineTest, ARequestLineCarriesTheCommandToThePanelUnchanged)
{
    for (const char *line : {"status", "status --json", "set master-vol=3 mode=Chat mic-mute=1",
                             "mute mic toggle", "preset 3", "reset", "show", "hide", "quit"}) {
        const CommandLine sent = *parse(line).command;
        EXPECT_TRUE(sent.goesToPanel()) << line;
        const CommandLine::Parsed received = CommandLine::parseRequest(sent.requestLine());
        ASSERT_TRUE(received.command) << line;
        EXPECT_EQ(received.command->kind, sent.kind);
        EXPECT_EQ(received.command->changes, sent.changes);
        EXPECT_EQ(received.command->preset, sent.preset);
        EXPECT_EQ(received.command->json, sent.json);
    }
    // The panel accepts what acts on it, nothing else.
    for (const char *line : {"", "\n", "autostart on\n", "--version\n", "--help\n", "set x=1\n"})
        EXPECT_FALSE(CommandLine::parseRequest(line).command) << line;
    EXPECT_EQ(CommandLine::parseRequest("show\n").command->kind, Kind::Show);
    // diagnose runs here; the panel is asked only what it knows of the card.
    const CommandLine diagnose = *parse("diagnose --json").command;
    EXPECT_FALSE(diagnose.goesToPanel());
    EXPECT_EQ(CommandLine::parseRequest(diagnose.requestLine()).command->kind, Kind::Diagnose);
}

// A show carries the desktop's activation token after the word, as a later
// start has always sent it; a token that would split the line stays home.
TEST(CommandLineTest, AShowCarriesItsActivationToken)
{
    const std::string line = CommandLine::show("abc_123-x").requestLine();
    EXPECT_EQ(line, "show abc_123-x\n");
    const CommandLine::Parsed received = CommandLine::parseRequest(line);
    ASSERT_TRUE(received.command);
    EXPECT_EQ(received.command->kind, Kind::Show);
    EXPECT_EQ(received.command->activationToken, "abc_123-x");
    EXPECT_EQ(CommandLine::show("two words").requestLine(), "show\n");
    EXPECT_EQ(CommandLine::show("").requestLine(), "show\n");
    // Only show takes one; from the user's command line it takes none.
    EXPECT_FALSE(CommandLine::parseRequest("hide abc\n").command);
    EXPECT_FALSE(CommandLine::parseRequest("show a b\n").command);
    EXPECT_NE(errorOf("show abc"), "");
}

std::string fileText(const char *name)
{
    std::ifstream file(std::string(ORLENTA_PACKAGING_DIR) + "/" + name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The man page's roff escapes every hyphen.
std::string inRoff(std::string_view word)
{
    std::string escaped;
    for (char c : word)
        escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    return escaped;
}

// What the table holds is what a user is told of and offered.
TEST(CommandTableTest, TheManPageAndTheCompletionKnowEveryCommandAndKey)
{
    const std::string manPage = fileText("orlenta.1.in");
    const std::string completion = fileText("orlenta.bash-completion");
    ASSERT_FALSE(manPage.empty());
    ASSERT_FALSE(completion.empty());

    const std::string first = "candidates=\"status ";
    const std::size_t start = completion.find(first);
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = completion.find('"', start + first.size());
    std::istringstream offered(completion.substr(start + 12, end - start - 12));
    std::set<std::string> words{std::istream_iterator<std::string>(offered), {}};
    std::set<std::string> expected{"--help", "--version", "--hidden"};
    for (const CommandSpec &spec : CommandSpec::all()) {
        expected.insert(std::string(spec.name));
        EXPECT_NE(manPage.find("orlenta " + inRoff(spec.name)), std::string::npos) << spec.name;
        EXPECT_NE(CommandLine::usage().find("  " + std::string(spec.name)), std::string::npos);
    }
    EXPECT_EQ(words, expected);
    for (const SettingKey &key : SettingKey::all()) {
        EXPECT_NE(manPage.find(inRoff(key.name)), std::string::npos) << key.name;
        EXPECT_NE(completion.find(std::string(key.name)), std::string::npos) << key.name;
    }
}

} // namespace
