// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QVariantMap>

// A shortcut as the portal receives it: (sa{sv}).
struct BoundShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(BoundShortcut)

class QDBusArgument;
QDBusArgument &operator<<(QDBusArgument &argument, const BoundShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, BoundShortcut &shortcut);

// The desktop portal's GlobalShortcuts as xdg-desktop-portal serves it, on a
// connection of its own: each call returns its request's path at once and
// answers later by that request's Response signal; Activated is sent when a
// test presses a key.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")

public:
    FakePortal();

    // With the interface, or as a portal that lacks it.
    bool serve(bool withTheInterface = true);
    bool stop();
    void activate(const QString &id, const QString &sessionHandle) const;

    QVariantMap sessionOptions;
    QString session;
    QList<BoundShortcut> bound;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &sessionHandle,
                                  const QList<BoundShortcut> &shortcuts,
                                  const QString &parentWindow, const QVariantMap &options);

private:
    QString path(const QString &kind, const QString &token) const;
    QDBusObjectPath answerLater(const QVariantMap &options, const QVariantMap &results);

    QDBusConnection bus_ =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
};
