// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateBusDaemon.h"

#include <QDir>

PrivateBusDaemon::PrivateBusDaemon()
{
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1"),
                   QStringLiteral("--address=unix:tmpdir=") + QDir::tempPath()});
    if (!daemon_.waitForStarted(5000))
        return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBusDaemon::~PrivateBusDaemon()
{
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000))
        daemon_.kill();
}
