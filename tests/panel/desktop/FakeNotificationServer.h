// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A desktop's notification server, on a connection of its own as the
// separate program has: records every Notify and answers a new id each
// time, as a server does for a notification that was closed meanwhile.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        uint replacesId;
        QString icon;
        QString summary;
        QString body;
        QVariantMap hints;
        uint id;
    };

    // Serves on the session bus; false when it cannot.
    bool serve();
    bool stop();
    QStringList summaries() const;

    QList<Call> calls;

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &icon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int timeout);

private:
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                         QStringLiteral("notification-server"));
    uint nextId_ = 41;
};
