// SPDX-License-Identifier: GPL-3.0-or-later
// The panel on a private session bus, over the simulated card: called as
// another program calls it, from a connection of its own, and heard the way
// it tells changes.
#include "PanelBusService.h"
#include "CommandDispatcher.h"
#include "FakeDeviceNotifier.h"
#include "FakePanelWindow.h"
#include "HidCardSession.h"
#include "ParameterBlock.h"
#include "SimulatedCardTest.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTemporaryDir>

#include <memory>

using namespace panel_test;

namespace {

QVariant byte(int value)
{
    return QVariant::fromValue(uchar(value));
}

} // namespace

class PanelBusServiceTest : public SimulatedCardTest {
    Q_OBJECT

public slots:
    void changed(const QVariantMap &status, const QString &source)
    {
        changes.push_back({status, source});
    }
    void propertiesChanged(const QString &interface, const QVariantMap &properties,
                           const QStringList &)
    {
        if (interface == PanelBusService::kInterface)
            statusChanges.push_back(qdbus_cast<QVariantMap>(properties.value("Status")));
    }

private:
    struct Fixture {
        QTemporaryDir settings;
        FakeDeviceNotifier notifier;
        FakePanelWindow window;
        std::unique_ptr<HidCardSession> session;
        std::unique_ptr<CommandDispatcher> dispatcher;
        std::unique_ptr<PanelBusService> service;
    };
    std::unique_ptr<Fixture> f_;
    std::vector<std::pair<QVariantMap, QString>> changes;
    std::vector<QVariantMap> statusChanges;

    static QDBusConnection client()
    {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
    }

    // A call from the other program's connection; this thread serves the
    // panel meanwhile, so it waits in an event loop, never blocked.
    QDBusMessage call(const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            PanelBusService::kName, PanelBusService::kPath, PanelBusService::kInterface, method);
        message.setArguments(arguments);
        return await(client().asyncCall(message));
    }
    QDBusMessage await(const QDBusPendingCall &pending)
    {
        QDBusPendingCallWatcher watcher(pending);
        QEventLoop loop;
        connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        if (!watcher.isFinished())
            loop.exec();
        return watcher.reply();
    }
    QDBusMessage set(const QVariantMap &settings) { return call("Set", {settings}); }
    QVariantMap status()
    {
        const QDBusMessage reply = await(client().asyncCall(
            QDBusMessage::createMethodCall(PanelBusService::kName, PanelBusService::kPath,
                                           "org.freedesktop.DBus.Properties", "Get")
            << QString(PanelBusService::kInterface) << QString("Status")));
        return qdbus_cast<QVariantMap>(
            reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>());
    }

    void expectRefused(const QDBusMessage &reply, const char *error)
    {
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), QString(error));
        QVERIFY(!reply.errorMessage().isEmpty());
    }

private slots:
    void initTestCase()
    {
        loadSimulatedDevice();
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no private session bus");
        QVERIFY(client().connect({}, PanelBusService::kPath, PanelBusService::kInterface, "Changed",
                                 this, SLOT(changed(QVariantMap, QString))));
        QVERIFY(client().connect({}, PanelBusService::kPath, "org.freedesktop.DBus.Properties",
                                 "PropertiesChanged", this,
                                 SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    }
    void init()
    {
        sim_->reset();
        f_ = std::make_unique<Fixture>();
        HidCardSession::Setup setup;
        setup.programFolder = ORLENTA_SIM_STAGE_DIR;
        setup.settingsFolder = f_->settings.path().toStdString();
        setup.notifier = &f_->notifier;
        f_->session = std::make_unique<HidCardSession>(setup);
        QVERIFY(f_->session->loadLibrary());
        f_->session->start();
        QTRY_COMPARE(f_->session->cardState(), CardState::Ready);
        QTRY_VERIFY(!f_->session->channel().isWaiting());
        f_->dispatcher = std::make_unique<CommandDispatcher>(*f_->session, &f_->window);
        f_->service = std::make_unique<PanelBusService>(*f_->session, *f_->dispatcher);
        QVERIFY(f_->service->publish(QDBusConnection::sessionBus()));
        sim_->clearOutputReports();
        changes.clear();
        statusChanges.clear();
    }
    void cleanup()
    {
        f_.reset();
        sim_->reset();
    }

    // One owner, never a queued second: another panel's claim is refused.
    void theNameHasOneOwnerAndStatusTheKeysOfStatusJson()
    {
        const QString owner = QDBusConnection::sessionBus().baseService();
        QCOMPARE(client().interface()->serviceOwner(PanelBusService::kName).value(), owner);
        QDBusConnection another = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "2nd");
        PanelBusService second(*f_->session, *f_->dispatcher);
        QVERIFY(!second.publish(another));
        const QDBusMessage queued = await(client().asyncCall(
            QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus", "ListQueuedOwners")
            << QString(PanelBusService::kName)));
        QCOMPARE(queued.arguments().value(0).toStringList(), QStringList{owner});
        QDBusConnection::disconnectFromBus("2nd");

        const QVariantMap shown = status();
        QCOMPARE(
            shown.keys(),
            (QStringList{"connected", "ducking-grade", "ducking-speed", "ducking-threshold",
                         "fx-intensity", "fx-type", "fx-vol", "master-vol", "mic-mute", "mode",
                         "music-mute", "music-vol", "preset", "rec-mute", "rec-vol", "sound-mix"}));
        QCOMPARE(shown["connected"], QVariant(true));
        QCOMPARE(shown["mode"], QVariant("sing"));
        QCOMPARE(shown["master-vol"], QVariant(12));
        QCOMPARE(shown["mic-mute"], QVariant(false));
        QCOMPARE(shown["preset"], QVariant(1));

        sim_->unplug();
        f_->notifier.unplug();
        QCOMPARE(status(), (QVariantMap{{"connected", false}, {"preset", 1}}));
    }

    void setWritesOnceAndEveryChangeIsTold()
    {
        const QDBusMessage reply = set({{"mic-mute", true},
                                        {"master-vol", byte(3)},
                                        {"fx-vol", QVariant::fromValue(qulonglong(9))},
                                        {"mode", "Chat"}});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        PanelValues values = ParameterBlock::factory().unpack();
        values.micMute = true;
        values.masterVol = 3;
        values.fxVol = 9;
        values.mode = 1;
        expectOneWrite(ParameterBlock::pack(values).bytes());
        QTRY_COMPARE(changes.size(), std::size_t{1});
        QCOMPARE(changes[0].second, QString("command"));
        QCOMPARE(changes[0].first["mode"], QVariant("chat"));
        QCOMPARE(changes[0].first["mic-mute"], QVariant(true));
        QTRY_COMPARE(statusChanges.size(), std::size_t{1});
        QCOMPARE(statusChanges[0], changes[0].first);

        QCOMPARE(call("LoadPreset", {2}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(sim_->outputReports().size(), std::size_t{2});
        sim_->clearOutputReports();
        QCOMPARE(call("Reset").type(), QDBusMessage::ReplyMessage);
        expectOneWrite(ParameterBlock::factory().bytes());
        sim_->injectStateReport({0x0F, 0x0F, 0x4F, 0x15, 0x85, 0x2A, 0x2F, 0x3E});
        QTRY_COMPARE(changes.size(), std::size_t{4});
        QCOMPARE(changes[1].second, QString("preset"));
        QCOMPARE(changes[1].first["preset"], QVariant(2));
        QCOMPARE(changes[2].second, QString("reset"));
        QCOMPARE(changes[3].second, QString("card"));
        QCOMPARE(changes[3].first["master-vol"], QVariant(5));
        expectNothingSent();

        // A change that leaves the status as it was is told, but Status did
        // not change: no PropertiesChanged for it, before the next one's.
        QTRY_COMPARE(statusChanges.size(), std::size_t{4});
        QCOMPARE(set({{"master-vol", 5}}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(set({{"master-vol", 6}}).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY(!statusChanges.empty() && statusChanges.back()["master-vol"] == QVariant(6));
        QCOMPARE(changes.size(), std::size_t{6});
        QCOMPARE(statusChanges.size(), std::size_t{5});
    }

    // Anything wrong anywhere in the dictionary: the whole call fails and the
    // card gets nothing.
    void badInputFailsTheWholeCallAndSendsNothing()
    {
        const QList<QVariantMap> bad{
            {},
            {{"volume", 3}},
            {{"preset", 2}},
            {{"connected", true}},
            {{"", true}},
            {{"master-vol=", 3}},
            {{"master-vol", 16}},
            {{"master-vol", QVariant::fromValue(qlonglong(-1))}},
            {{"master-vol", QVariant::fromValue(qulonglong(1) << 40)}},
            {{"master-vol", 3.0}},
            {{"master-vol", "3"}},
            {{"fx-type", 0}},
            {{"mic-mute", 1}},
            {{"mic-mute", "on"}},
            {{"mic-mute", QVariant::fromValue(QDBusVariant(true))}},
            {{"mode", "karaoke"}},
            {{"mode", 3}},
            {{"mode", QStringList{"sing"}}},
            {{"mic-mute", true}, {"fx-vol", "x"}},
        };
        for (const QVariantMap &settings : bad)
            expectRefused(set(settings), PanelBusService::kInvalidArgument);
        expectRefused(call("LoadPreset", {5}), PanelBusService::kInvalidArgument);
        expectRefused(call("LoadPreset", {0}), PanelBusService::kInvalidArgument);
        expectNothingSent();
        QVERIFY(changes.empty());
        QCOMPARE(call("Set", {QVariantMap{{"rec-vol", 4}}}).type(), QDBusMessage::ReplyMessage);
    }

    void withoutACardChangesFailWithNoCard()
    {
        sim_->unplug();
        f_->notifier.unplug();
        sim_->clearOutputReports();
        expectRefused(set({{"mic-mute", true}}), PanelBusService::kNoCard);
        expectRefused(call("LoadPreset", {2}), PanelBusService::kNoCard);
        expectRefused(call("Reset"), PanelBusService::kNoCard);
        // A bad dictionary is bad with or without a card.
        expectRefused(set({{"mic-mute", 2}}), PanelBusService::kInvalidArgument);
        expectNothingSent();
    }

    void windowCallsGoToTheWindow()
    {
        for (const char *method : {"Hide", "Show", "Quit"})
            QCOMPARE(call(method).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(f_->window.actions, (std::vector<std::string>{"hide", "show", "quit"}));
        expectNothingSent();
    }
};

QTEST_GUILESS_MAIN(PanelBusServiceTest)
#include "PanelBusServiceTest.moc"
