// SPDX-License-Identifier: GPL-3.0-or-later
#include "InstanceClient.h"

#include "LogCategories.h"

#include <QLocalSocket>
#include <QVariant>

namespace {
const char *const kReplied = "replied";
} // namespace

InstanceClient::InstanceClient(QLocalSocket *socket) : socket_(socket) {}

void InstanceClient::reply(const QByteArray &answer) const
{
    if (!socket_ || socket_->property(kReplied).toBool())
        return;
    socket_->setProperty(kReplied, true);
    socket_->write(answer);
    // Out before the program may end, which an answer can ask for.
    socket_->flush();
    socket_->disconnectFromServer();
}

bool InstanceClient::send(const QByteArray &bytes) const
{
    if (!isConnected())
        return false;
    if (socket_->bytesToWrite() + bytes.size() > kMaxBacklog) {
        qCDebug(lcCli) << "dropping a subscriber that fell" << socket_->bytesToWrite()
                       << "bytes behind";
        // Its backlog goes with it: a graceful close would wait for a
        // reader that is not reading.
        socket_->abort();
        socket_->deleteLater();
        return false;
    }
    socket_->write(bytes);
    socket_->flush();
    return true;
}

bool InstanceClient::isConnected() const
{
    return socket_ && socket_->state() == QLocalSocket::ConnectedState &&
           !socket_->property(kReplied).toBool();
}

void InstanceClient::whenGone(QObject *context, std::function<void()> gone) const
{
    if (!socket_) {
        gone();
        return;
    }
    QObject::connect(socket_, &QObject::destroyed, context, std::move(gone));
}
