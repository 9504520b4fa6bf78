// SPDX-License-Identifier: GPL-3.0-or-later
#include "SleepWatcher.h"

#include "CardSession.h"
#include "LogCategories.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
} // namespace

SleepWatcher::SleepWatcher(CardSession &session, QObject *parent)
    : QObject(parent), session_(session)
{
}

void SleepWatcher::start()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                SLOT(prepareForSleep(bool)));
    inhibit();
}

void SleepWatcher::inhibit()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Orlenta")
         << QStringLiteral("Ends a take and finishes the sound card's settings write")
         << QStringLiteral("delay");
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError()) {
            qCDebug(lcDbus) << "no sleep inhibitor:" << reply.error().message();
            return;
        }
        // One that comes once the system is going to sleep would only hold it up.
        if (!asleep_)
            inhibitor_ = reply.value();
    });
}

void SleepWatcher::prepareForSleep(bool starting)
{
    if (starting == asleep_)
        return;
    asleep_ = starting;
    if (starting) {
        emit sleeping();
        // The session may tell after this watcher has gone, as the program ends.
        session_.settle(kSettleDeadline, [self = QPointer<SleepWatcher>(this)] {
            if (self)
                self->release();
        });
        return;
    }
    session_.readAgain();
    inhibit();
}

void SleepWatcher::release()
{
    inhibitor_ = QDBusUnixFileDescriptor();
}
