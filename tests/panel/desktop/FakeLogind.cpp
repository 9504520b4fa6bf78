// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeLogind.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
} // namespace

bool FakeLogind::serve()
{
    if (!bus_.objectRegisteredAt(kPath) &&
        !bus_.registerObject(kPath, this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals))
        return false;
    return bus_.registerService(kService);
}

bool FakeLogind::stop()
{
    return bus_.unregisterService(kService);
}

QDBusUnixFileDescriptor FakeLogind::Inhibit(const QString &what, const QString &, const QString &,
                                            const QString &mode)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    inhibits << what + QLatin1Char(' ') + mode;
    ++held;
    auto *closed = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
    connect(closed, &QSocketNotifier::activated, this, [this, closed, end = ends[0]] {
        char byte;
        if (::read(end, &byte, 1) > 0)
            return;
        closed->setEnabled(false);
        closed->deleteLater();
        ::close(end);
        --held;
    });
    const QDBusUnixFileDescriptor handed(ends[1]); // a copy of its own
    ::close(ends[1]);
    return handed;
}
