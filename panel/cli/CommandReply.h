// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <optional>
#include <string>

// The outcome of one command: its exit status and what it prints. A running
// panel sends it back over the single-instance socket.
struct CommandReply {
    enum ExitCode : int {
        kDone = 0,
        kFailed = 1, // none of the reasons below
        kCardNotFound = 2,
        kCardSilent = 3,    // the card did not answer a read or a write
        kUsage = 64,        // bad command line; nothing was sent
        kNoPanel = 69,      // show, hide, quit: no panel is running
        kNoPermission = 77, // the card is there, but this user may not open it
    };

    int exitCode = kDone;
    std::string out; // for stdout
    std::string err; // for stderr

    static CommandReply failure(int exitCode, std::string message);

    QByteArray encode() const;
    // None when the bytes are not a reply.
    static std::optional<CommandReply> decode(const QByteArray &bytes);

    bool operator==(const CommandReply &) const = default;
};
