// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "CommandTable.h"

#include <algorithm>

namespace {

using Kind = CommandLine::Kind;

CommandLine::Parsed fail(std::string error)
{
    return {std::nullopt, std::move(error)};
}

CommandLine::Parsed only(Kind kind)
{
    CommandLine command;
    command.kind = kind;
    return {std::move(command), {}};
}

CommandLine::Parsed parseCommand(const std::vector<std::string> &args)
{
    const CommandSpec *spec = CommandSpec::find(args.front());
    if (!spec)
        return fail("unknown command '" + args.front() + "'");
    CommandLine command;
    command.kind = spec->kind;
    command.spec = spec;
    command.words = args;
    if (std::string error = spec->parse(command, {args.begin() + 1, args.end()}); !error.empty())
        return fail(std::move(error));
    return {std::move(command), {}};
}

std::string valuesOf(const SettingKey &key)
{
    switch (key.kind) {
    case SettingKey::Kind::Mode:
        return "music, chat, lwrd, sing, mc, master";
    case SettingKey::Kind::Number:
        return std::to_string(key.low) + " to " + std::to_string(key.high);
    case SettingKey::Kind::Switch:
        return "on/off, true/false, 1/0";
    }
    return {};
}

// Two columns: what is typed, padded, then what it means.
std::string row(std::string left, std::size_t width, std::string_view right)
{
    left.resize(std::max(left.size() + 1, width), ' ');
    return "  " + left + std::string(right) + "\n";
}

} // namespace

CommandLine::Parsed CommandLine::parse(const std::vector<std::string> &args)
{
    if (args.empty())
        return only(Kind::StartPanel);
    const std::string &first = args.front();
    if (first == "--help" || first == "-h")
        return only(Kind::Help);
    if (first == "--version")
        return only(Kind::Version);
    // Other options belong to the panel (--hidden) or to Qt (-platform,
    // -style ...): the panel starts and takes them.
    if (first.starts_with('-')) {
        CommandLine command;
        command.hidden = std::find(args.begin(), args.end(), "--hidden") != args.end();
        return {std::move(command), {}};
    }
    return parseCommand(args);
}

CommandLine::Parsed CommandLine::parseRequest(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            words.emplace_back(line.substr(start, end - start));
        start = end + 1;
    }
    if (words.empty() || words.front().starts_with('-'))
        return fail("an empty request");
    if (words.size() == 2 && words.front() == "show")
        return {show(words.back()), {}};
    Parsed parsed = parseCommand(words);
    if (parsed.command && parsed.command->spec->route == CommandSpec::Route::Here)
        return fail("'" + words.front() + "' is not a request for the running panel");
    return parsed;
}

bool CommandLine::goesToPanel() const
{
    return spec && (spec->route == CommandSpec::Route::PanelOrCard ||
                    spec->route == CommandSpec::Route::RunningPanel);
}

std::string CommandLine::requestLine() const
{
    std::string line;
    for (const std::string &word : words)
        line += (line.empty() ? "" : " ") + word;
    const bool plainToken = activationToken.find_first_of(" \t\r\n") == std::string::npos;
    if (kind == Kind::Show && !activationToken.empty() && plainToken)
        line += " " + activationToken;
    return line + "\n";
}

CommandLine CommandLine::show(std::string activationToken)
{
    CommandLine command;
    command.kind = Kind::Show;
    command.spec = CommandSpec::find("show");
    command.words = {"show"};
    command.activationToken = std::move(activationToken);
    return command;
}

std::string CommandLine::usage()
{
    constexpr std::size_t kWidth = 34;
    std::string text = R"(Usage: orlenta [--hidden] [--verbose]
       orlenta COMMAND [ARGUMENTS] [--verbose]

Without a command, starts the control panel; --hidden starts it in the tray.
--verbose, anywhere on the line, writes every debug message to stderr.

Commands:
)";
    for (const CommandSpec &spec : CommandSpec::all()) {
        std::string typed(spec.name);
        if (!spec.arguments.empty())
            typed += " " + std::string(spec.arguments);
        text += row(typed, kWidth, spec.summary);
    }
    text += "  --help, --version\n\nKeys:\n";
    for (const SettingKey &key : SettingKey::all())
        text += row(std::string(key.name), 20, valuesOf(key));
    text += R"(
A running panel carries the commands out as if they were clicked; without one,
orlenta opens the card itself, without a window.

Exit status: 0 done, 1 other failure (such as settings that could not be
saved), 2 card not found, 3 card did not answer, 64 bad command line (nothing
was sent), 69 no panel running (show, hide, quit), 77 the card may not be
opened by this user (see the README's "Running against a real card").
diagnose exits 0 when it finds no problem and 1 when it finds any.
)";
    return text;
}
