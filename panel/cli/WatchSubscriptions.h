// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InstanceClient.h"
#include "StatusFollower.h"
#include "WatchLines.h"

#include <QByteArray>

#include <cstddef>
#include <list>

class CardSession;

// The running panel's watchers: each `orlenta watch` that subscribed over
// the single-instance socket is sent the status at once, then a line for
// every change, each line an encoded CommandReply whose out is the line to
// print. Any number may watch; one that stops reading is dropped once it
// has fallen InstanceClient::kMaxBacklog behind, and the panel goes on.
class WatchSubscriptions {
public:
    explicit WatchSubscriptions(CardSession &session);

    // Keeps the client when the request is a watch; false for any other
    // request, which is left to the dispatcher.
    bool subscribe(const QByteArray &requestLine, const InstanceClient &client);
    std::size_t count() const { return watchers_.size(); }

    // What a subscriber is sent for one line of output.
    static QByteArray encode(const std::string &line);

private:
    struct Watcher {
        int id;
        InstanceClient client;
        WatchLines lines;
    };

    void tell(const PanelStatus &status, CardSession::Source source);

    void forget(int id);

    CardSession &session_;
    std::list<Watcher> watchers_;
    int nextId_ = 0;
    // Last: it calls tell, which needs the list.
    StatusFollower follower_;
};
