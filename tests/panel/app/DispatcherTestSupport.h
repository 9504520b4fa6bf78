// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandDispatcher.h"
#include "CommandRunner.h"

#include <QEventLoop>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace panel_test {

// A command's own session on the simulated card, which answers at once.
inline CommandRunner::Setup simulatedCardSetup(const std::filesystem::path &settingsFolder)
{
    CommandRunner::Setup setup;
    setup.card.programFolder = ORLENTA_SIM_STAGE_DIR;
    setup.card.settingsFolder = settingsFolder;
    setup.readWait = std::chrono::milliseconds(600);
    return setup;
}

// Sends one request line and runs the event loop until its reply is there;
// bytes that are not a reply come back as exit status -1.
inline CommandReply runRequest(CommandDispatcher &dispatcher, const std::string &line)
{
    std::optional<QByteArray> encoded;
    QEventLoop loop;
    dispatcher.handleRequest(QByteArray::fromStdString(line + "\n"), [&](const QByteArray &reply) {
        encoded = reply;
        loop.quit();
    });
    if (!encoded)
        loop.exec();
    return CommandReply::decode(encoded.value_or(QByteArray()))
        .value_or(CommandReply{-1, {}, "not a reply: " + encoded.value_or("").toStdString()});
}

} // namespace panel_test
