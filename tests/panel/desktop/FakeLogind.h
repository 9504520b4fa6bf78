// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QStringList>

// logind's manager as far as sleep goes, on a system bus connection of its
// own: Inhibit hands out the write end of a pipe, and an inhibitor is let go
// when every copy of that end is closed.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    bool serve();
    bool stop();

    QStringList inhibits; // "what mode" of every call
    int held = 0;         // inhibitors not let go yet

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode);

signals:
    void PrepareForSleep(bool start);

private:
    QDBusConnection bus_ =
        QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("logind"));
};
