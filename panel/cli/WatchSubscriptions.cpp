// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatchSubscriptions.h"

#include "CommandLine.h"
#include "CommandReply.h"

WatchSubscriptions::WatchSubscriptions(CardSession &session)
    : session_(session),
      follower_(session, [this](const PanelStatus &status, CardSession::Source source) {
          tell(status, source);
      })
{
}

bool WatchSubscriptions::subscribe(const QByteArray &requestLine, const InstanceClient &client)
{
    const CommandLine::Parsed parsed = CommandLine::parseRequest(requestLine.toStdString());
    if (!parsed.command || parsed.command->kind != CommandLine::Kind::Watch)
        return false;
    Watcher &watcher =
        watchers_.emplace_back(Watcher{nextId_++, client, WatchLines(parsed.command->json)});
    // The first line tells the state as the watcher finds it.
    const std::string first = watcher.lines.line(
        session_.status(), CardSession::sourceName(CardSession::Source::Connection));
    if (!client.send(encode(first))) {
        watchers_.pop_back();
        return true;
    }
    client.whenGone(&follower_, [this, id = watcher.id] { forget(id); });
    return true;
}

QByteArray WatchSubscriptions::encode(const std::string &line)
{
    return CommandReply{CommandReply::kDone, line, {}}.encode() + '\n';
}

// A watcher whose send fails has gone or is dropped now.
void WatchSubscriptions::tell(const PanelStatus &status, CardSession::Source source)
{
    const char *name = CardSession::sourceName(source);
    for (auto it = watchers_.begin(); it != watchers_.end();) {
        if (it->client.send(encode(it->lines.line(status, name))))
            ++it;
        else
            it = watchers_.erase(it);
    }
}

void WatchSubscriptions::forget(int id)
{
    watchers_.remove_if([id](const Watcher &watcher) { return watcher.id == id; });
}
