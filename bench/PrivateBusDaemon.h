// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

// A session bus of the benchmark's own (dbus-daemon), never the machine's:
// started when made, ended when gone.
class PrivateBusDaemon {
public:
    PrivateBusDaemon();
    ~PrivateBusDaemon();
    PrivateBusDaemon(const PrivateBusDaemon &) = delete;
    PrivateBusDaemon &operator=(const PrivateBusDaemon &) = delete;

    // Empty when the daemon did not start.
    const QString &address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};
