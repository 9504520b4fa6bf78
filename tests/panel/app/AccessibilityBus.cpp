// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's accessibility bus launcher as it runs while a screen reader
// is on (org.a11y.Bus, accessibility enabled), for the tests of what a screen
// reader hears. The accessibility bus it names is the session bus it runs
// on. A process of its own, as the real one is.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>

#include <cstdio>

class BusAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Bus")

public:
    explicit BusAdaptor(QObject *launcher) : QDBusAbstractAdaptor(launcher) {}

public slots:
    QString GetAddress() { return qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"); }
};

class StatusAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool IsEnabled READ enabled)
    Q_PROPERTY(bool ScreenReaderEnabled READ enabled)

public:
    explicit StatusAdaptor(QObject *launcher) : QDBusAbstractAdaptor(launcher) {}
    bool enabled() const { return true; }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QObject launcher;
    new BusAdaptor(&launcher);
    new StatusAdaptor(&launcher);
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.registerObject(QStringLiteral("/org/a11y/bus"), &launcher) ||
        !session.registerService(QStringLiteral("org.a11y.Bus"))) {
        std::fprintf(stderr, "cannot register the accessibility bus on the session bus\n");
        return 1;
    }
    return app.exec();
}

#include "AccessibilityBus.moc"
