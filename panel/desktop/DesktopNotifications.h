// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <deque>

// The desktop's notification server (org.freedesktop.Notifications on the
// session bus). The panel keeps one notification at most: each replaces the
// one before it, by the id the server gave that one, so they never stack.
// Sending is asynchronous and in order: a notification waits until the server
// has answered the one before, whose id it needs. Without a session bus or a
// server nothing shows and nothing is said.
class DesktopNotifications : public QObject {
public:
    struct Notification {
        QString icon; // a themed icon name
        QString summary;
        QString body;
        QVariantMap hints;
    };

    explicit DesktopNotifications(QObject *parent = nullptr);

    void show(Notification notification);

private:
    void sendNext();

    std::deque<Notification> waiting_;
    bool sending_ = false;
    uint lastId_ = 0;
};
