// SPDX-License-Identifier: GPL-3.0-or-later
// What the tray icon is hosted as, on X11 with the real Qt tray: a
// StatusNotifierItem where a watcher with a host is on the session bus (the
// host's single click, sent as Activate, toggles the window), an embedded
// icon where only an XEmbed tray is there (only a double click toggles).
// Each case runs in a process of its own under private_buses.sh, since Qt
// decides once per process how it hosts tray icons.
#include "CTrayIcon.h"
#include "DialogTemplate.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

QIcon someIcon()
{
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkCyan);
    return QIcon(pixmap);
}

MenuTemplate trayMenu()
{
    return MenuTemplate{146, QStringLiteral("menu"),
                        {MenuItemTemplate{32772, QStringLiteral("Exit"), false,
                                          MenuItemTemplate::Check::None}}};
}

} // namespace

class TrayKindTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under private_buses.sh");
    }

    // The fault this guards against: Qt registers its item under a
    // connection of its own and no org.kde.StatusNotifierItem-<pid>-<n> name,
    // so a panel that looked for that name waited for a double click that a
    // StatusNotifierItem host never sends.
    void aStatusNotifierHostTogglesOnItsActivate()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QProcess watcher;
        watcher.start(QStringLiteral(ORLENTA_STATUS_NOTIFIER_WATCHER), {});
        const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
        QTRY_VERIFY(bus.interface()->isServiceRegistered(watcherName));

        CTrayIcon tray;
        int toggles = 0;
        tray.setActivationHandler([&toggles] { ++toggles; });
        tray.Create(QStringLiteral("NUV Control"), someIcon(), trayMenu());
        QVERIFY(tray.appear());
        auto items = [&] {
            QDBusMessage get = QDBusMessage::createMethodCall(
                watcherName, QStringLiteral("/StatusNotifierWatcher"),
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            get << watcherName << QStringLiteral("RegisteredStatusNotifierItems");
            const QDBusReply<QDBusVariant> reply = bus.call(get);
            return reply.isValid() ? reply.value().variant().toStringList() : QStringList();
        };
        QTRY_COMPARE(items().size(), 1);
        QCOMPARE(CTrayIcon::detectKind(), CTrayIcon::Kind::StatusNotifierItem);

        // A host's click, as Plasma sends it.
        const QString item = items().first();
        const QString service = item.section(QLatin1Char('/'), 0, 0);
        const QString path = item.contains(QLatin1Char('/'))
                                 ? QLatin1Char('/') + item.section(QLatin1Char('/'), 1)
                                 : QStringLiteral("/StatusNotifierItem");
        QDBusMessage activate = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        activate << 10 << 10;
        QVERIFY(bus.send(activate));
        QTRY_COMPARE(toggles, 1);
        watcher.kill();
        watcher.waitForFinished();
    }

    // Only an XEmbed tray on the display (the test display's trayer): the
    // icon is embedded, and it takes a double click to toggle.
    void anXEmbedTrayTogglesOnADoubleClick()
    {
        QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());
        CTrayIcon tray;
        int toggles = 0;
        tray.setActivationHandler([&toggles] { ++toggles; });
        tray.Create(QStringLiteral("NUV Control"), someIcon(), trayMenu());
        QVERIFY(tray.appear());
        QCOMPARE(CTrayIcon::detectKind(), CTrayIcon::Kind::XEmbed);
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(toggles, 0);
        emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(toggles, 1);
    }
};

QTEST_MAIN(TrayKindTest)
#include "TrayKindTest.moc"
