// SPDX-License-Identifier: GPL-3.0-or-later
// The dictionary of a D-Bus Set call as any program on the session bus may
// send it: any keys, values of any type (every integer type, doubles,
// strings, object paths, signatures, byte arrays, string lists, arrays,
// dictionaries, structures, variants in variants), or nothing at all. It
// travels over a real D-Bus connection (to a peer, without a bus daemon), so
// that the panel gets it as QtDBus delivers it. A dictionary refused sends
// nothing to the card and fails with InvalidArgument; one taken is one write
// that shows exactly what it says; and the panel answers a Status read
// after every call.
#include "CommandDispatcher.h"
#include "FakeCardSession.h"
#include "FakePanelWindow.h"
#include "FuzzCheck.h"
#include "PanelBusService.h"
#include "ScratchFolder.h"
#include "SettingKeys.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServer>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include <fuzzer/FuzzedDataProvider.h>

#include <limits>
#include <memory>

namespace {

constexpr int kDeepest = 3;
constexpr std::size_t kMostEntries = 6;
constexpr int kLongestWaitMs = 5000;

struct Panel {
    Panel()
    {
        session.setCardState(CardState::Ready);
        QObject::connect(&server, &QDBusServer::newConnection,
                         [this](const QDBusConnection &connection) {
                             FUZZ_CHECK(service.exportOn(connection));
                         });
        caller = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToPeer(server.address(), QStringLiteral("caller")));
        FUZZ_CHECK(caller->isConnected());
    }

    QDBusMessage call(const QString &interface, const QString &method, const QVariantList &args)
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall({}, PanelBusService::kPath, interface, method);
        message.setArguments(args);
        QDBusPendingCallWatcher watcher(caller->asyncCall(message, kLongestWaitMs));
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        if (!watcher.isFinished())
            loop.exec();
        return watcher.reply();
    }

    FakeCardSession session;
    FakePanelWindow window;
    CommandDispatcher dispatcher{session, &window};
    PanelBusService service{session, dispatcher};
    QDBusServer server{QStringLiteral("unix:tmpdir=") +
                       QString::fromStdString(ScratchFolder::path().string())};
    std::unique_ptr<QDBusConnection> caller;
};

Panel *panel = nullptr;

QString asciiText(FuzzedDataProvider &input)
{
    QString text;
    for (char c : input.ConsumeRandomLengthString(24))
        text += QChar(0x20 + (static_cast<unsigned char>(c) % 0x5F));
    return text;
}

template <typename T> QVariant integer(FuzzedDataProvider &input)
{
    // Small numbers often, so that values in range come up.
    const auto value = input.ConsumeBool() ? T(input.ConsumeIntegralInRange<int>(0, 20))
                                           : input.ConsumeIntegral<T>();
    return QVariant::fromValue(value);
}

QVariant anyValue(FuzzedDataProvider &input, int depth);

QVariantMap anyDictionary(FuzzedDataProvider &input, int depth);

QVariant nested(FuzzedDataProvider &input, int depth, int choice)
{
    if (depth >= kDeepest)
        return QVariant(input.ConsumeBool());
    switch (choice) {
    case 0:
        return QVariant::fromValue(QDBusVariant(anyValue(input, depth + 1)));
    case 1:
        return anyDictionary(input, depth + 1);
    case 2: {
        QVariantList list;
        const int count = input.ConsumeIntegralInRange(0, 3);
        for (int i = 0; i < count; ++i)
            list.push_back(anyValue(input, depth + 1));
        return list;
    }
    default: {
        QDBusArgument structure;
        structure.beginStructure();
        structure << input.ConsumeIntegral<int>() << asciiText(input);
        structure.endStructure();
        return QVariant::fromValue(structure);
    }
    }
}

QVariant anyValue(FuzzedDataProvider &input, int depth)
{
    static const QStringList kModes{"music", "chat", "lwrd", "sing", "mc", "master", "Sing"};
    switch (input.ConsumeIntegralInRange(0, 17)) {
    case 0:
        return QVariant(input.ConsumeBool());
    case 1:
        return integer<uchar>(input);
    case 2:
        return integer<short>(input);
    case 3:
        return integer<ushort>(input);
    case 4:
        return integer<int>(input);
    case 5:
        return integer<uint>(input);
    case 6:
        return integer<qlonglong>(input);
    case 7:
        return integer<qulonglong>(input);
    case 8:
        return QVariant(input.ConsumeFloatingPoint<double>());
    case 9:
        return input.ConsumeBool() ? QVariant(kModes[input.ConsumeIntegralInRange<int>(0, 6)])
                                   : QVariant(asciiText(input));
    case 10:
        return QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/orlenta/Orlenta")));
    case 11:
        return QVariant::fromValue(QDBusSignature(QStringLiteral("i")));
    case 12:
        return QVariant(QByteArray::fromStdString(input.ConsumeRandomLengthString(8)));
    case 13:
        return QVariant(QStringList{asciiText(input), asciiText(input)});
    default:
        return nested(input, depth, input.ConsumeIntegralInRange(0, 3));
    }
}

QString anyKey(FuzzedDataProvider &input)
{
    const auto keys = SettingKey::all();
    const std::size_t choice = input.ConsumeIntegralInRange<std::size_t>(0, keys.size() + 3);
    if (choice < keys.size())
        return QString::fromLatin1(keys[choice].name.data(), qsizetype(keys[choice].name.size()));
    if (choice == keys.size())
        return QStringLiteral("preset");
    if (choice == keys.size() + 1)
        return QStringLiteral("connected");
    return asciiText(input);
}

QVariantMap anyDictionary(FuzzedDataProvider &input, int depth)
{
    QVariantMap map;
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, kMostEntries);
    for (std::size_t i = 0; i < count; ++i) {
        const QString key = anyKey(input);
        map.insert(key, anyValue(input, depth));
    }
    return map;
}

// What the panel shows of a key, against the value that was sent for it.
bool shows(const SettingKey &key, const QVariant &sent)
{
    const PanelValues &values = panel->session.shown().values();
    switch (key.kind) {
    case SettingKey::Kind::Mode:
        return sent.metaType().id() == QMetaType::QString &&
               SettingKey::modeCode(sent.toString().toStdString()) == values.mode;
    case SettingKey::Kind::Switch:
        return sent.metaType().id() == QMetaType::Bool && sent.toBool() == values.*key.flag;
    case SettingKey::Kind::Number:
        break;
    }
    bool integral = false;
    const qlonglong number = sent.toLongLong(&integral);
    return integral && sent.metaType().id() != QMetaType::Double &&
           sent.metaType().id() != QMetaType::QString && sent.metaType().id() != QMetaType::Bool &&
           number == values.*key.number;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    panel = new Panel;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QVariantMap settings = anyDictionary(input, 0);
    panel->session.calls.clear();

    const QDBusMessage reply =
        panel->call(PanelBusService::kInterface, QStringLiteral("Set"), {settings});
    if (reply.type() == QDBusMessage::ErrorMessage) {
        FUZZ_CHECK(reply.errorName() == PanelBusService::kInvalidArgument);
        FUZZ_CHECK(panel->session.calls.empty());
    } else {
        FUZZ_CHECK(reply.type() == QDBusMessage::ReplyMessage);
        FUZZ_CHECK(panel->session.calls == std::vector<std::string>{"apply"});
        for (auto it = settings.begin(); it != settings.end(); ++it) {
            const SettingKey *key = SettingKey::find(it.key().toStdString());
            FUZZ_CHECK(key && shows(*key, it.value()));
        }
    }
    FUZZ_CHECK(panel->window.actions.empty());

    const QDBusMessage status =
        panel->call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                    {QString(PanelBusService::kInterface), QStringLiteral("Status")});
    FUZZ_CHECK(status.type() == QDBusMessage::ReplyMessage);
    const QVariantMap shown = qdbus_cast<QVariantMap>(
        status.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>());
    FUZZ_CHECK(shown.value(QStringLiteral("connected")).toBool());
    return 0;
}
