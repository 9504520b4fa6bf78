// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QPointer>

#include <functional>

class QLocalSocket;
class QObject;

// One client of the running copy, as its request handler gets it: answered
// once and let go, or kept as a subscriber that is sent lines as they come
// until it hangs up. A copy refers to the same connection; once the
// connection has ended, every call does nothing.
class InstanceClient {
public:
    // How far a subscriber may fall behind before it is dropped: a client
    // that stops reading must not make the running copy keep all it missed.
    static constexpr qint64 kMaxBacklog = 64 * 1024;

    explicit InstanceClient(QLocalSocket *socket);

    // Sends the answer and closes the connection; only the first time.
    void reply(const QByteArray &answer) const;
    // Sends the bytes and keeps the connection; false when the client has
    // gone, or has fallen kMaxBacklog behind and is dropped now.
    bool send(const QByteArray &bytes) const;
    bool isConnected() const;
    // Called once, on context's thread, when the connection ends for
    // whatever reason; at once when it has ended already.
    void whenGone(QObject *context, std::function<void()> gone) const;

private:
    QPointer<QLocalSocket> socket_;
};
