// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunningPanelClient.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

RunningPanelClient::RunningPanelClient(QString socketPath, std::chrono::milliseconds replyWait)
    : socketPath_(std::move(socketPath)), replyWait_(replyWait)
{
}

std::optional<QByteArray> RunningPanelClient::ask(const QByteArray &requestLine) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(static_cast<int>(kConnectWait.count())))
        return std::nullopt;
    socket.write(requestLine);
    socket.waitForBytesWritten(static_cast<int>(kConnectWait.count()));
    const QDeadlineTimer deadline(replyWait_);
    QByteArray reply;
    while (socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        reply += socket.readAll();
    }
    reply += socket.readAll();
    return reply;
}
