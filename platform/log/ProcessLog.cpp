// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessLog.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "message";
}

// One write per message: lines of the HID library's reader thread and the UI
// thread never interleave within a line.
void writeToStandardError(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArray text =
        ProcessLog::line(type, context.category, message, QDateTime::currentDateTime());
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
}

} // namespace

bool ProcessLog::takeVerbose(int &argc, char **argv)
{
    char **end = argv + argc;
    char **kept = std::remove_if(argv + std::min(argc, 1), end, [](const char *argument) {
        return std::strcmp(argument, kVerboseOption) == 0;
    });
    const bool verbose = kept != end;
    argc = static_cast<int>(kept - argv);
    argv[argc] = nullptr;
    return verbose;
}

void ProcessLog::install(bool verbose)
{
    qInstallMessageHandler(writeToStandardError);
    // Rules set here rank below QT_LOGGING_RULES and QT_LOGGING_CONF, which
    // Qt applies over them.
    if (verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("orlenta.*=true"));
}

QByteArray ProcessLog::line(QtMsgType type, const char *category, const QString &message,
                            const QDateTime &time)
{
    QByteArray text = time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toUtf8();
    text += ' ';
    text += category ? category : "default";
    text += ' ';
    text += levelName(type);
    text += ": ";
    text += message.toUtf8();
    text += '\n';
    return text;
}
