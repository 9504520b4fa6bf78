// SPDX-License-Identifier: GPL-3.0-or-later
// The session section against a private dbus-daemon with fakes of a
// StatusNotifierItem watcher, a notification server and the desktop portal,
// and against the X display of scripts/services.sh, whose tray (trayer)
// embeds icons.
#include "SessionProbe.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Answers the few calls the probe makes, as the desktop's services would.
class FakeDesktopServices : public QDBusVirtualObject {
public:
    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == "GetServerInformation")
            return connection.send(message.createReply(
                QList<QVariant>{"fake-notifier", "Orlenta tests", "1.0", "1.2"}));
        if (message.member() == "Get" && arguments.size() == 2) {
            const QString property = arguments[0].toString() + "." + arguments[1].toString();
            if (property == "org.kde.StatusNotifierWatcher.IsStatusNotifierHostRegistered")
                return connection.send(
                    message.createReply(QVariant::fromValue(QDBusVariant(true))));
            if (property == "org.freedesktop.portal.GlobalShortcuts.version")
                return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
        }
        return false;
    }
};

class SessionProbeTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        daemon = new QProcess;
        daemon->start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon->waitForReadyRead(5000)) << "dbus-daemon did not start";
        address = QString::fromUtf8(daemon->readLine().trimmed());
    }

    static void TearDownTestSuite()
    {
        daemon->terminate();
        daemon->waitForFinished(5000);
        delete daemon;
    }

    QDBusConnection connect(const QString &name)
    {
        return QDBusConnection::connectToBus(address, name);
    }

    // The test display's name; tests run under scripts/test.sh, which starts it.
    static QString testDisplay()
    {
        const char *display = std::getenv("ORLENTA_TEST_DISPLAY");
        return display ? QString::fromLocal8Bit(display) : QString();
    }

    static ProbeResult probe(QProcessEnvironment environment, std::optional<QDBusConnection> bus)
    {
        SessionProbe::Setup setup;
        setup.environment = std::move(environment);
        setup.bus = std::move(bus);
        return SessionProbe(setup).run();
    }

    static inline QProcess *daemon = nullptr;
    static inline QString address;
};

TEST_F(SessionProbeTest, StatusNotifierHostIsPreferredAndTheDesktopsServicesAreNamed)
{
    ASSERT_FALSE(testDisplay().isEmpty()) << "run under scripts/test.sh: no test display";
    QDBusConnection services = connect("services");
    FakeDesktopServices fake;
    for (const char *name : {"org.kde.StatusNotifierWatcher", "org.freedesktop.Notifications",
                             "org.freedesktop.portal.Desktop"})
        ASSERT_TRUE(services.registerService(name));
    for (const char *path : {"/StatusNotifierWatcher", "/org/freedesktop/Notifications",
                             "/org/freedesktop/portal/desktop"})
        ASSERT_TRUE(services.registerVirtualObject(path, &fake));
    QProcessEnvironment environment;
    environment.insert("DISPLAY", testDisplay());
    environment.insert("XDG_CURRENT_DESKTOP", "KDE");

    const QJsonObject session = probe(environment, connect("probe")).section;

    EXPECT_EQ(session["type"].toString(), "x11");
    EXPECT_EQ(session["desktop"].toString(), "KDE");
    EXPECT_TRUE(session["status_notifier_host"].toBool());
    EXPECT_TRUE(session["xembed_tray"].toBool());
    EXPECT_EQ(session["tray"].toString(), "StatusNotifierItem");
    EXPECT_EQ(session["notification_server"].toObject()["name"].toString(), "fake-notifier");
    EXPECT_EQ(session["portal_global_shortcuts"].toInt(), 1);

    QDBusConnection::disconnectFromBus("services");
    QDBusConnection::disconnectFromBus("probe");
}

TEST_F(SessionProbeTest, WithoutAWatcherTheXEmbedTrayTakesTheIcon)
{
    QProcessEnvironment environment;
    environment.insert("DISPLAY", testDisplay());

    const QJsonObject session = probe(environment, connect("bare")).section;

    EXPECT_FALSE(session["status_notifier_host"].toBool());
    EXPECT_EQ(session["tray"].toString(), "XEmbed");
    EXPECT_TRUE(session["notification_server"].isNull());
    EXPECT_TRUE(session["portal_global_shortcuts"].isNull());
    QDBusConnection::disconnectFromBus("bare");
}

TEST_F(SessionProbeTest, NoBusAndNoDisplayLeaveNoTray)
{
    QProcessEnvironment environment;
    environment.insert("WAYLAND_DISPLAY", "wayland-0");

    const ProbeResult result = probe(environment, std::nullopt);

    EXPECT_EQ(result.section["type"].toString(), "wayland");
    EXPECT_FALSE(result.section["session_bus"].toBool());
    EXPECT_EQ(result.section["tray"].toString(), "none");
    EXPECT_TRUE(result.problems.empty());
}

} // namespace
