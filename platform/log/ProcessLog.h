// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Where the program's messages go: every one to stderr, one line each with a
// millisecond timestamp, its level and its category, so the desktop's
// session log keeps them for a panel started from the menu and a user can
// send them.
class ProcessLog {
public:
    // The option, accepted anywhere on the command line.
    static constexpr const char *kVerboseOption = "--verbose";

    // Removes every --verbose from argv (argc shrinks, argv[argc] stays
    // null), so the command line is parsed as if it had not been there.
    static bool takeVerbose(int &argc, char **argv);
    // Installs the handler. verbose turns on debug of every orlenta category
    // as a default only: QT_LOGGING_RULES is applied over it, so a rule there
    // still turns a category off (or on without --verbose).
    static void install(bool verbose);

    // One message as the handler writes it, newline included.
    static QByteArray line(QtMsgType type, const char *category, const QString &message,
                           const QDateTime &time);
};
