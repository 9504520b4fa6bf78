// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandReply.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString kExit = QStringLiteral("exit");
const QString kOut = QStringLiteral("out");
const QString kErr = QStringLiteral("err");
} // namespace

CommandReply CommandReply::failure(int exitCode, std::string message)
{
    return CommandReply{exitCode, {}, std::move(message) + "\n"};
}

QByteArray CommandReply::encode() const
{
    QJsonObject object;
    object.insert(kExit, exitCode);
    object.insert(kOut, QString::fromStdString(out));
    object.insert(kErr, QString::fromStdString(err));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<CommandReply> CommandReply::decode(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue exit = object.value(kExit);
    if (!exit.isDouble() || exit.toDouble() != exit.toInt())
        return std::nullopt;
    return CommandReply{exit.toInt(), object.value(kOut).toString().toStdString(),
                        object.value(kErr).toString().toStdString()};
}
