// SPDX-License-Identifier: GPL-3.0-or-later
// A StatusNotifierWatcher with a host, as KDE Plasma runs one, for the tray
// tests: items register with it and it lists them. A process of its own, as
// the real one is: Qt's tray asks it with blocking calls.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>

#include <cstdio>

class StatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    QStringList items() const { return items_; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    // A path is the caller's own object; anything else is a bus name.
    void RegisterStatusNotifierItem(const QString &serviceOrPath)
    {
        const QString item = serviceOrPath.startsWith(QLatin1Char('/'))
                                 ? message().service() + serviceOrPath
                                 : serviceOrPath;
        items_ << item;
        emit StatusNotifierItemRegistered(item);
    }
    void RegisterStatusNotifierHost(const QString &) {}

signals:
    void StatusNotifierItemRegistered(const QString &item);
    void StatusNotifierHostRegistered();

private:
    QStringList items_;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    StatusNotifierWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllContents) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "cannot register the watcher on the session bus\n");
        return 1;
    }
    return app.exec();
}

#include "StatusNotifierWatcher.moc"
