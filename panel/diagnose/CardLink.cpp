// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardLink.h"

#include "DeviceConnection.h"
#include "HidControlLibrary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <utility>

namespace {

// More than a card has.
constexpr int kMostInterfaces = 16;

constexpr std::array<std::pair<CardLink::Open, const char *>, 6> kOpenNames{{
    {CardLink::Open::NoLibrary, "library not loaded"},
    {CardLink::Open::NotFound, "not found"},
    {CardLink::Open::Denied, "denied"},
    {CardLink::Open::Failed, "failed"},
    {CardLink::Open::Opened, "opened"},
    {CardLink::Open::PanelDidNotAnswer, "panel did not answer"},
}};

std::optional<CardLink::Open> openOfText(const QString &text)
{
    for (const auto &[value, name] : kOpenNames) {
        if (text == QLatin1String(name))
            return value;
    }
    return std::nullopt;
}

QByteArray bytesOf(const CardFrame::Report &report)
{
    return QByteArray(reinterpret_cast<const char *>(report.data()),
                      static_cast<qsizetype>(report.size()));
}

QJsonValue hexOrNull(const std::optional<QByteArray> &bytes)
{
    return bytes ? QJsonValue(QString::fromLatin1(bytes->toHex())) : QJsonValue::Null;
}

QByteArray bytesFromHex(const QJsonValue &hex)
{
    return QByteArray::fromHex(hex.toString().toLatin1());
}

QJsonValue interfacesJson(const std::optional<std::vector<CardLink::Interface>> &interfaces)
{
    if (!interfaces)
        return QJsonValue::Null;
    QJsonArray list;
    for (const CardLink::Interface &interface : *interfaces)
        list.append(QJsonObject{{"path", interface.path},
                                {"number", interface.number},
                                {"usage_page", static_cast<int>(interface.usagePage)},
                                {"usage", static_cast<int>(interface.usage)}});
    return list;
}

std::optional<std::vector<CardLink::Interface>> interfacesFrom(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    std::vector<CardLink::Interface> interfaces;
    for (const QJsonValue &item : value.toArray()) {
        const QJsonObject entry = item.toObject();
        interfaces.push_back({entry["path"].toString(), entry["number"].toInt(-1),
                              static_cast<unsigned>(entry["usage_page"].toInt()),
                              static_cast<unsigned>(entry["usage"].toInt())});
    }
    return interfaces;
}

QJsonValue stateReadJson(const std::optional<CardLink::StateRead> &read)
{
    if (!read)
        return QJsonValue::Null;
    QJsonArray others;
    for (const QByteArray &report : read->others)
        others.append(QString::fromLatin1(report.toHex()));
    return QJsonObject{{"sent", hexOrNull(read->sent)},
                       {"received", hexOrNull(read->received)},
                       {"round_trip_ms", read->roundTripMs},
                       {"checksum_right", read->checksumRight},
                       {"others", others}};
}

std::optional<CardLink::StateRead> stateReadFrom(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    CardLink::StateRead read;
    read.sent = bytesFromHex(object["sent"]);
    if (object["received"].isString())
        read.received = bytesFromHex(object["received"]);
    read.roundTripMs = object["round_trip_ms"].toDouble();
    read.checksumRight = object["checksum_right"].toBool();
    for (const QJsonValue &report : object["others"].toArray())
        read.others.push_back(bytesFromHex(report));
    return read;
}

} // namespace

CardLink::StateRead CardLink::StateRead::of(const CardFrame::Report &sent,
                                            const std::optional<InputReport> &received,
                                            std::chrono::nanoseconds roundTrip,
                                            const std::vector<InputReport> &others)
{
    StateRead read;
    read.sent = bytesOf(sent);
    if (received) {
        read.received = bytesOf(received->bytes());
        read.checksumRight = received->checksumValid();
    }
    // Hundredths of a millisecond tell a card's answer from the event loop's turn.
    read.roundTripMs = std::round(static_cast<double>(roundTrip.count()) / 1e4) / 100;
    for (const InputReport &report : others)
        read.others.push_back(bytesOf(report.bytes()));
    return read;
}

QByteArray CardLink::Result::encode() const
{
    const QJsonObject object{{"library_path", libraryPath},
                             {"library_error", libraryError},
                             {"interfaces", interfacesJson(interfaces)},
                             {"open", openText(open)},
                             {"open_error", openError},
                             {"state_read", stateReadJson(stateRead)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<CardLink::Result> CardLink::Result::decode(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<Open> open = openOfText(object["open"].toString());
    if (!open)
        return std::nullopt;
    Result result;
    result.libraryPath = object["library_path"].toString();
    result.libraryError = object["library_error"].toString();
    result.interfaces = interfacesFrom(object["interfaces"]);
    result.open = *open;
    result.openError = object["open_error"].toInt();
    result.stateRead = stateReadFrom(object["state_read"]);
    return result;
}

std::optional<std::vector<CardLink::Interface>>
CardLink::interfacesOf(const HidControlLibrary &library)
{
    if (!library.isLoaded())
        return std::nullopt;
    const auto list = reinterpret_cast<decltype(&SNX_ListInterfaces)>(
        dlsym(library.handle(), "SNX_ListInterfaces"));
    if (!list)
        return std::nullopt;
    SnxInterface listed[kMostInterfaces];
    const int count = list(DeviceConnection::kDefaultVendorId, DeviceConnection::kDefaultProductId,
                           listed, kMostInterfaces);
    std::vector<Interface> interfaces;
    for (int i = 0; i < std::min(count, kMostInterfaces); ++i)
        interfaces.push_back({QString::fromLocal8Bit(listed[i].path), listed[i].interfaceNumber,
                              listed[i].usagePage, listed[i].usage});
    return interfaces;
}

QString CardLink::openText(Open open)
{
    for (const auto &[value, name] : kOpenNames) {
        if (value == open)
            return QLatin1String(name);
    }
    return {};
}

CardLink::Open CardLink::openResultFor(int error)
{
    if (error == EACCES || error == EPERM)
        return Open::Denied;
    if (error == ENOENT || error == 0)
        return Open::NotFound;
    return Open::Failed;
}
