// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopNotifications.h"

#include "LogCategories.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAppName = QStringLiteral("Orlenta");
// The server's own default time on screen.
constexpr int kServerDefaultTimeout = -1;
} // namespace

DesktopNotifications::DesktopNotifications(QObject *parent) : QObject(parent) {}

void DesktopNotifications::show(Notification notification)
{
    waiting_.push_back(std::move(notification));
    if (!sending_)
        sendNext();
}

void DesktopNotifications::sendNext()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (waiting_.empty() || !bus.isConnected()) {
        waiting_.clear();
        sending_ = false;
        return;
    }
    const Notification next = std::move(waiting_.front());
    waiting_.pop_front();
    QDBusMessage notify =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    notify << kAppName << lastId_ << next.icon << next.summary << next.body << QStringList()
           << next.hints << kServerDefaultTimeout;
    sending_ = true;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        const QDBusPendingReply<uint> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError())
            qCDebug(lcDbus) << "no notification shown:" << reply.error().message();
        else
            lastId_ = reply.value();
        sendNext();
    });
}
