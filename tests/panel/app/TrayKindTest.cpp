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
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
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
    MenuItemTemplate exit;
    exit.command = 32772;
    exit.caption = QStringLiteral("Exit");
    return MenuTemplate{146, QStringLiteral("menu"), {exit}};
}

QStringList registeredItems(const QDBusConnection &bus)
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("RegisteredStatusNotifierItems");
    const QDBusReply<QDBusVariant> reply = bus.call(get);
    return reply.isValid() ? reply.value().variant().toStringList() : QStringList();
}

// A property of this process's own item: asked without blocking, since the
// item answers from this very thread.
QVariant itemProperty(const QDBusConnection &bus, const QString &service, const QString &name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << name;
    QDBusPendingCall pending = bus.asyncCall(get);
    for (int waited = 0; waited < 5000 && !pending.isFinished(); waited += 10)
        QTest::qWait(10);
    const QDBusPendingReply<QDBusVariant> reply = pending;
    return reply.isValid() ? reply.value().variant() : QVariant();
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
        QTRY_COMPARE(registeredItems(bus).size(), 1);
        QCOMPARE(CTrayIcon::detectKind(), CTrayIcon::Kind::StatusNotifierItem);

        // A host's click, as Plasma sends it.
        const QString item = registeredItems(bus).first();
        const QString service = item.section(QLatin1Char('/'), 0, 0);
        const QString path = item.contains(QLatin1Char('/'))
                                 ? QLatin1Char('/') + item.section(QLatin1Char('/'), 1)
                                 : QStringLiteral("/StatusNotifierItem");
        QDBusMessage activate = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.kde.StatusNotifierItem"),
            QStringLiteral("Activate"));
        activate << 10 << 10;
        QVERIFY(bus.send(activate));
        QTRY_COMPARE(toggles, 1);
        watcher.kill();
        watcher.waitForFinished();
    }

    // The card's state reaches a StatusNotifierItem host as the item's icon,
    // by its name in the icon theme where the package installed it.
    void aStatusNotifierHostSeesTheCardsStateInTheItem()
    {
        QTemporaryDir themes;
        const QString status = themes.filePath(QStringLiteral("hicolor/22x22/status"));
        QVERIFY(QDir().mkpath(status));
        QFile index(themes.filePath(QStringLiteral("hicolor/index.theme")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=hicolor\nDirectories=22x22/status\n\n"
                    "[22x22/status]\nSize=22\nContext=Status\nType=Fixed\n");
        index.close();
        QVERIFY(QFile::copy(
            QStringLiteral(ORLENTA_PACKAGING_DIR "/icons/org.orlenta.Orlenta-mic-muted-22.png"),
            status + QStringLiteral("/org.orlenta.Orlenta-mic-muted.png")));
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));

        QDBusConnection bus = QDBusConnection::sessionBus();
        QProcess watcher;
        watcher.start(QStringLiteral(ORLENTA_STATUS_NOTIFIER_WATCHER), {});
        QTRY_VERIFY(
            bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")));
        CTrayIcon tray;
        tray.Create(QStringLiteral("NUV Control"), someIcon(), trayMenu());
        QVERIFY(tray.appear());
        QTRY_VERIFY(!registeredItems(bus).isEmpty());
        const QString service = registeredItems(bus).first().section(QLatin1Char('/'), 0, 0);

        QCOMPARE(itemProperty(bus, service, QStringLiteral("IconName")).toString(), QString());
        tray.showStatus(QStringLiteral("org.orlenta.Orlenta-mic-muted"),
                        QStringLiteral("NUV Control\nMode: Sing · Preset 1 · Master volume 12"));
        QTRY_COMPARE(itemProperty(bus, service, QStringLiteral("IconName")).toString(),
                     QStringLiteral("org.orlenta.Orlenta-mic-muted"));
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
