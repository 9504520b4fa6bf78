// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandRunner.h"
#include "StatusFollower.h"
#include "WatchLines.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <optional>
#include <ostream>

class DeviceNotifier;
class HidCardSession;
class QFileSystemWatcher;
class QLocalSocket;

// `orlenta watch`: prints the status at once, then a line for every change,
// until it is stopped. It follows whoever has the card: the running panel,
// whose stream it subscribes to over the single-instance socket, else the
// card itself through a session of its own that follows unplug and plug.
// When the panel ends, or drops this watch for reading too slowly, it
// subscribes again or takes the card; when a panel starts, it lets the card
// go and subscribes. Each time it changes over, the first line (source
// "connection") tells the state as it finds it.
//
// Without a panel, it sees what the card tells (its buttons, plug and
// unplug), not a change another command makes by opening the card itself.
class StatusWatch {
public:
    // command: a watch.
    StatusWatch(const CommandRunner::Setup &setup, const CommandLine &command, std::ostream &out,
                std::ostream &err);
    ~StatusWatch();
    StatusWatch(const StatusWatch &) = delete;
    StatusWatch &operator=(const StatusWatch &) = delete;

    // Runs until stop() or a failure; the exit status. Changing over happens
    // here, never inside the session's waits for the card.
    int run();
    // Ends the watch with exit status 0; also from within a wait for the card.
    void stop();

private:
    void follow();
    bool followPanel();
    void followCard();
    void watchForPanel();
    void readPanel();
    void panelGone();
    void changeOver();
    void release();
    void print(const std::string &out, const std::string &err);
    void fail(int exitCode, const std::string &message);

    const CommandRunner::Setup &setup_;
    CommandLine command_;
    std::ostream &out_;
    std::ostream &err_;
    QEventLoop loop_;
    bool ended_ = false;
    bool changeOver_ = false;
    int exitCode_ = 0;

    std::unique_ptr<QLocalSocket> panel_;
    QTimer panelSilence_;
    bool panelAnswered_ = false;
    std::optional<int> panelRefusal_;

    std::unique_ptr<DeviceNotifier> notifier_;
    std::unique_ptr<HidCardSession> session_;
    std::optional<WatchLines> lines_;
    std::unique_ptr<StatusFollower> follower_;
    std::unique_ptr<QFileSystemWatcher> panelStarts_;
};
