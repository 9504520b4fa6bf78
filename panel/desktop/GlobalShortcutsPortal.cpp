// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlobalShortcutsPortal.h"

#include "LogCategories.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionToken = QStringLiteral("orlenta");
constexpr uint kResponseSuccess = 0;

// One shortcut as BindShortcuts takes it: (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The portal's name for this connection in request and session paths:
// ":1.42" is "1_42".
QString senderPart()
{
    return QDBusConnection::sessionBus().baseService().mid(1).replace(QLatin1Char('.'),
                                                                      QLatin1Char('_'));
}

// The session handle comes as a string, or from some portals as an object path.
QString handleText(const QVariant &value)
{
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

GlobalShortcutsPortal::GlobalShortcutsPortal(std::vector<Shortcut> shortcuts, QObject *parent)
    : QObject(parent), shortcuts_(std::move(shortcuts))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

void GlobalShortcutsPortal::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // QtDBus finds a slot's argument types by their names, which Qt knows of
    // QDBusObjectPath only once it is registered: without this the connect
    // fails whenever nothing else in the program happened to register it first.
    qRegisterMetaType<QDBusObjectPath>();
    bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                SLOT(shortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    request(QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), kSessionToken}},
            [this](const QVariantMap &results) { sessionCreated(results); });
}

void GlobalShortcutsPortal::sessionCreated(const QVariantMap &results)
{
    session_ = handleText(results.value(QStringLiteral("session_handle")));
    if (session_.isEmpty())
        return;
    QList<PortalShortcut> list;
    for (const Shortcut &shortcut : shortcuts_)
        list.append({shortcut.id, {{QStringLiteral("description"), shortcut.description}}});
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(list), QString()},
            {}, [this](const QVariantMap &) { bound_ = true; });
}

void GlobalShortcutsPortal::request(const QString &method, QList<QVariant> arguments,
                                    QVariantMap options, Answer answer)
{
    const QString token = QStringLiteral("orlenta_%1").arg(++requests_);
    const QString expected =
        kPath + QStringLiteral("/request/") + senderPart() + QLatin1Char('/') + token;
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    answer_ = std::move(answer);
    listen(expected);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, expected] {
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError()) {
            qCDebug(lcDbus) << "no global shortcuts:" << reply.error().message();
            forget();
            return;
        }
        // A portal older than handle tokens answers on a path of its own.
        if (reply.value().path() != expected && requestPath_ == expected)
            listen(reply.value().path());
    });
}

void GlobalShortcutsPortal::listen(const QString &requestPath)
{
    forget();
    requestPath_ = requestPath;
    QDBusConnection::sessionBus().connect(kService, requestPath_, kRequestInterface,
                                          QStringLiteral("Response"), this,
                                          SLOT(response(uint, QVariantMap, QDBusMessage)));
}

void GlobalShortcutsPortal::forget()
{
    if (requestPath_.isEmpty())
        return;
    QDBusConnection::sessionBus().disconnect(kService, requestPath_, kRequestInterface,
                                             QStringLiteral("Response"), this,
                                             SLOT(response(uint, QVariantMap, QDBusMessage)));
    requestPath_.clear();
}

void GlobalShortcutsPortal::response(uint code, const QVariantMap &results,
                                     const QDBusMessage &message)
{
    if (message.path() != requestPath_)
        return;
    forget();
    const Answer answer = std::exchange(answer_, nullptr);
    if (code != kResponseSuccess) {
        qCDebug(lcDbus) << "the portal refused the global shortcuts:" << code;
        return;
    }
    if (answer)
        answer(results);
}

void GlobalShortcutsPortal::shortcutActivated(const QDBusObjectPath &session, const QString &id,
                                              qulonglong, const QVariantMap &)
{
    if (bound_ && session.path() == session_)
        emit activated(id);
}
