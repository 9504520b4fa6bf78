// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTimer>

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const BoundShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, BoundShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

FakePortal::FakePortal()
{
    qDBusRegisterMetaType<BoundShortcut>();
    qDBusRegisterMetaType<QList<BoundShortcut>>();
}

bool FakePortal::serve(bool withTheInterface)
{
    if (withTheInterface && !bus_.objectRegisteredAt(kPath) &&
        !bus_.registerObject(kPath, this, QDBusConnection::ExportAllSlots))
        return false;
    return bus_.registerService(kService);
}

bool FakePortal::stop()
{
    bus_.unregisterObject(kPath);
    return bus_.unregisterService(kService);
}

void FakePortal::activate(const QString &id, const QString &sessionHandle) const
{
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                   QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(sessionHandle)) << id << qulonglong(1)
           << QVariantMap();
    bus_.send(signal);
}

QDBusObjectPath FakePortal::CreateSession(const QVariantMap &options)
{
    sessionOptions = options;
    session = path(QStringLiteral("session"),
                   options.value(QStringLiteral("session_handle_token")).toString());
    return answerLater(options, {{QStringLiteral("session_handle"), session}});
}

QDBusObjectPath FakePortal::BindShortcuts(const QDBusObjectPath &sessionHandle,
                                          const QList<BoundShortcut> &shortcuts, const QString &,
                                          const QVariantMap &options)
{
    if (sessionHandle.path() == session)
        bound = shortcuts;
    return answerLater(options, {});
}

// /org/freedesktop/portal/desktop/KIND/SENDER/TOKEN, the sender's ":1.42" as "1_42".
QString FakePortal::path(const QString &kind, const QString &token) const
{
    const QString sender = message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/%1/%2/%3").arg(kind, sender, token);
}

QDBusObjectPath FakePortal::answerLater(const QVariantMap &options, const QVariantMap &results)
{
    const QString request =
        path(QStringLiteral("request"), options.value(QStringLiteral("handle_token")).toString());
    QTimer::singleShot(0, this, [this, request, results] {
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << 0u << results;
        bus_.send(response);
    });
    return QDBusObjectPath(request);
}
