// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundProbe.h"

#include "DeviceConnection.h"
#include "PulseConnection.h"

#include <pulse/pulseaudio.h>

#include <optional>

namespace {

struct Device {
    QString name;
    QString description;
};

struct ServerView {
    PulseConnection *connection = nullptr;
    QString serverName;
    QString serverVersion;
    QString defaultSink;
    QString defaultSource;
    std::optional<Device> cardSink;
    std::optional<Device> cardSource;
};

bool isTheCard(const char *description)
{
    return description && QString::fromUtf8(description).contains(DeviceConnection::kCardName);
}

void onServer(pa_context *, const pa_server_info *info, void *data)
{
    auto *view = static_cast<ServerView *>(data);
    if (info) {
        view->serverName = QString::fromUtf8(info->server_name);
        view->serverVersion = QString::fromUtf8(info->server_version);
        view->defaultSink = QString::fromUtf8(info->default_sink_name);
        view->defaultSource = QString::fromUtf8(info->default_source_name);
    }
    view->connection->signal();
}

void onSink(pa_context *, const pa_sink_info *info, int last, void *data)
{
    auto *view = static_cast<ServerView *>(data);
    if (last || !info) {
        view->connection->signal();
        return;
    }
    if (!view->cardSink && isTheCard(info->description))
        view->cardSink =
            Device{QString::fromUtf8(info->name), QString::fromUtf8(info->description)};
}

// A sink's monitor carries the card's description too, but records nothing
// from the card.
void onSource(pa_context *, const pa_source_info *info, int last, void *data)
{
    auto *view = static_cast<ServerView *>(data);
    if (last || !info) {
        view->connection->signal();
        return;
    }
    if (!view->cardSource && info->monitor_of_sink == PA_INVALID_INDEX &&
        isTheCard(info->description))
        view->cardSource =
            Device{QString::fromUtf8(info->name), QString::fromUtf8(info->description)};
}

std::optional<ServerView> askServer()
{
    PulseConnection connection("Orlenta diagnosis");
    if (!connection.ensureReady())
        return std::nullopt;
    ServerView view;
    view.connection = &connection;
    connection.lock();
    connection.await(pa_context_get_server_info(connection.context(), onServer, &view));
    connection.await(pa_context_get_sink_info_list(connection.context(), onSink, &view));
    connection.await(pa_context_get_source_info_list(connection.context(), onSource, &view));
    connection.unlock();
    view.connection = nullptr;
    return view;
}

QJsonValue deviceJson(const std::optional<Device> &device)
{
    if (!device)
        return QJsonValue::Null;
    return QJsonObject{{"name", device->name}, {"description", device->description}};
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue::Null : QJsonValue(text);
}

} // namespace

ProbeResult SoundProbe::run(bool cardPresent) const
{
    ProbeResult result;
    const std::optional<ServerView> view = askServer();
    if (!view) {
        result.section = QJsonObject{{"server", QJsonValue::Null}};
        result.problems.push_back(
            {QStringLiteral("no sound server answered (PulseAudio, or PipeWire with "
                            "pipewire-pulse)"),
             QStringLiteral("start your desktop's sound server, e.g. systemctl --user start "
                            "pipewire-pulse")});
        return result;
    }
    const bool pipeWire = view->serverName.contains(QStringLiteral("PipeWire"));
    result.section = QJsonObject{
        {"server", pipeWire ? QStringLiteral("PipeWire") : QStringLiteral("PulseAudio")},
        {"server_name", view->serverName},
        {"server_version", view->serverVersion},
        {"card_sink", deviceJson(view->cardSink)},
        {"card_source", deviceJson(view->cardSource)},
        {"default_sink", textOrNull(view->defaultSink)},
        {"default_source", textOrNull(view->defaultSource)},
        {"default_sink_is_card", view->cardSink && view->cardSink->name == view->defaultSink},
        {"default_source_is_card",
         view->cardSource && view->cardSource->name == view->defaultSource}};
    if (cardPresent && (!view->cardSink || !view->cardSource))
        result.problems.push_back(
            {QStringLiteral("the sound server lists no %1 described '%2'")
                 .arg(view->cardSink     ? QStringLiteral("source")
                      : view->cardSource ? QStringLiteral("sink")
                                         : QStringLiteral("sink or source"),
                      QString::fromLatin1(DeviceConnection::kCardName)),
             QStringLiteral("enable the card in your sound settings (its profile must not be "
                            "Off), then unplug it and plug it in again")});
    return result;
}
