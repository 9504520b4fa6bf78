// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InstanceClient.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

// One running copy per user. The first copy takes a lock file in the user's
// private runtime folder, then answers requests on a local socket beside it;
// taking the lock is atomic, so of two copies started at the same moment
// exactly one is the first. A later copy finds the lock taken and sends its
// request to the first.
//
// The socket speaks one request per connection: the client writes one line
// (UTF-8, ending in "\n"), the server answers with zero or more bytes and
// closes the connection; the client reads until it is closed. "show" asks the
// running copy to bring its window to the front. A request the handler keeps
// as a subscription is answered with bytes as they come instead, until
// either side closes; the server ignores whatever a client sends after its
// request line.
class SingleInstance : public QObject {
public:
    // Gets the request line without its line end, and the client to answer.
    // The answer may be given later: requests are served from the event loop,
    // so an answer that waits for something (a write to the card) must not
    // wait in a loop of its own, where the event it waits for could be held
    // up behind it.
    using RequestHandler =
        std::function<void(const QByteArray &requestLine, InstanceClient client)>;

    static constexpr int kMaxRequestLength = 4096;
    // How long ask waits for an answer unless told otherwise.
    static constexpr std::chrono::milliseconds kReplyWait{5000};

    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this copy is the first and now holds the lock. Also true when
    // there is no private folder to keep a lock in: the copy then runs
    // without the check rather than not at all.
    bool claim();
    // Starts answering requests; false when the socket cannot be made.
    bool listen(RequestHandler handler);

    // Sends one request to the running copy and returns its answer; nullopt
    // when no running copy answered within replyWait. A copy that holds the
    // lock but does not listen yet (it is still starting) is waited for a few
    // seconds.
    std::optional<QByteArray> ask(const QByteArray &requestLine,
                                  std::chrono::milliseconds replyWait = kReplyWait);
    // Sends one request to the running copy and leaves the connection open
    // for its answers to come in on; none when no running copy took it.
    std::unique_ptr<QLocalSocket> subscribe(const QByteArray &requestLine);
    // Another copy holds the lock: it runs, answering or not.
    bool heldElsewhere() const;

    // Where the copies named name meet; empty without a private folder.
    static QString socketPath(const QString &name);
    static QString lockPath(const QString &name);

    // The user's runtime folder (XDG_RUNTIME_DIR, or else the session's,
    // /run/user/<uid>), or else a folder of the user's own in the temporary
    // folder, made with mode 0700. Each is used only when it is a real folder
    // that belongs to the user and that nobody else may enter; empty when none
    // is.
    static std::optional<QString>
    privateFolder(const QString &sessionRuntime = sessionRuntimeFolder());
    static QString sessionRuntimeFolder();

private:
    bool connectToRunningCopy(QLocalSocket &socket) const;
    static bool sendRequest(QLocalSocket &socket, const QByteArray &requestLine);
    void serve(QLocalSocket *socket);

    QString socketPath_;
    QString lockPath_;
    int lockFd_ = -1;
    std::unique_ptr<QLocalServer> server_;
    RequestHandler handler_;
};
