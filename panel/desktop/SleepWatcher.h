// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <chrono>

class CardSession;

// Sleep and resume as logind on the system bus tells them. While the panel
// runs it holds a delay inhibitor, so that before the system sleeps a take
// in progress ends and is kept (sleeping()) and the card's writes settle;
// only then is the inhibitor let go. After the resume the card's block is
// read again, since the card may have lost or changed its state, and the
// inhibitor is taken again. Without logind nothing happens.
class SleepWatcher : public QObject {
    Q_OBJECT
public:
    // logind lets the system sleep when every delay inhibitor is gone or its
    // time is up; the panel asks for no more than a second.
    static constexpr std::chrono::milliseconds kSettleDeadline{900};

    explicit SleepWatcher(CardSession &session, QObject *parent = nullptr);

    // Follows logind from now on.
    void start();

signals:
    // The system is about to sleep.
    void sleeping();

private slots:
    void prepareForSleep(bool starting);

private:
    void inhibit();
    void release();

    CardSession &session_;
    QDBusUnixFileDescriptor inhibitor_;
    bool asleep_ = false;
};
