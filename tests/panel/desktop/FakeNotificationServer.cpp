// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNotificationServer.h"

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

bool FakeNotificationServer::serve()
{
    if (!bus_.objectRegisteredAt(kPath) &&
        !bus_.registerObject(kPath, this, QDBusConnection::ExportAllSlots))
        return false;
    return bus_.registerService(kService);
}

bool FakeNotificationServer::stop()
{
    return bus_.unregisterService(kService);
}

QStringList FakeNotificationServer::summaries() const
{
    QStringList list;
    for (const Call &call : calls)
        list << call.summary;
    return list;
}

uint FakeNotificationServer::Notify(const QString &, uint replacesId, const QString &icon,
                                    const QString &summary, const QString &body,
                                    const QStringList &, const QVariantMap &hints, int)
{
    calls.append({replacesId, icon, summary, body, hints, nextId_});
    return nextId_++;
}
