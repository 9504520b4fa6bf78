// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kIoTimeoutMs = 2000;
// How long a later copy waits for a first copy that holds the lock but is
// still starting (libraries, device notices) before it listens.
constexpr int kStartingCopyPatienceMs = 5000;
constexpr int kConnectRetryMs = 50;

// A folder only this user may enter: not a link, owned by the user, no
// access for group or others.
bool isPrivateFolder(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

QString socketName(const QString &name)
{
    return name;
}

QString lockName(const QString &name)
{
    return name + QStringLiteral(".lock");
}

int openLock(const QString &path, int flags)
{
    return ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
}

} // namespace

// The private folder is looked for (and made) once for both paths.
SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent)
{
    if (const std::optional<QString> folder = privateFolder()) {
        socketPath_ = QDir(*folder).filePath(socketName(name));
        lockPath_ = QDir(*folder).filePath(lockName(name));
    }
}

QString SingleInstance::socketPath(const QString &name)
{
    const std::optional<QString> folder = privateFolder();
    return folder ? QDir(*folder).filePath(socketName(name)) : QString();
}

QString SingleInstance::lockPath(const QString &name)
{
    const std::optional<QString> folder = privateFolder();
    return folder ? QDir(*folder).filePath(lockName(name)) : QString();
}

SingleInstance::~SingleInstance()
{
    server_.reset();
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

QString SingleInstance::sessionRuntimeFolder()
{
    return QStringLiteral("/run/user/%1").arg(::getuid());
}

std::optional<QString> SingleInstance::privateFolder(const QString &sessionRuntime)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return runtime;
    // A command from cron or su has no XDG_RUNTIME_DIR, but the user's desktop
    // session, and so its panel, has this runtime folder.
    if (QDir::isAbsolutePath(sessionRuntime) && isPrivateFolder(sessionRuntime))
        return sessionRuntime;
    // Made here when missing; one made by someone else, or opened up, fails
    // the check and is not used.
    const QString own =
        QDir(QDir::tempPath()).filePath(QStringLiteral("orlenta-%1").arg(::getuid()));
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    if (isPrivateFolder(own))
        return own;
    return std::nullopt;
}

bool SingleInstance::claim()
{
    if (lockPath_.isEmpty())
        return true;
    if (lockFd_ >= 0)
        return true;
    const int fd = openLock(lockPath_, O_RDWR | O_CREAT);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

bool SingleInstance::heldElsewhere() const
{
    if (lockPath_.isEmpty())
        return false;
    const int fd = openLock(lockPath_, O_RDONLY);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool SingleInstance::listen(RequestHandler handler)
{
    if (socketPath_.isEmpty())
        return false;
    handler_ = std::move(handler);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // This copy holds the lock, so a socket file left here belongs to a copy
    // that ended without removing it.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_))
        return false;
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = server_->nextPendingConnection())
            serve(socket);
    });
    return true;
}

void SingleInstance::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto answer = [this, socket] {
        // Whatever follows the request line is not read: a subscriber that
        // keeps writing must not fill the running copy's memory.
        if (socket->property("answered").toBool()) {
            socket->skip(socket->bytesAvailable());
            return;
        }
        const qsizetype end = socket->peek(kMaxRequestLength + 1).indexOf('\n');
        if (end < 0) {
            // No line end within the longest request: not a client of ours.
            if (socket->bytesAvailable() > kMaxRequestLength)
                socket->abort();
            return;
        }
        QByteArray line = socket->read(end + 1).chopped(1);
        if (line.endsWith('\r'))
            line.chop(1);
        socket->setProperty("answered", true);
        socket->skip(socket->bytesAvailable());
        const InstanceClient client(socket);
        if (handler_)
            handler_(line, client);
        else
            client.reply({});
    };
    connect(socket, &QLocalSocket::readyRead, this, answer);
    if (socket->bytesAvailable() > 0)
        answer();
}

bool SingleInstance::sendRequest(QLocalSocket &socket, const QByteArray &requestLine)
{
    QByteArray request = requestLine;
    if (!request.endsWith('\n'))
        request.append('\n');
    socket.write(request);
    return socket.waitForBytesWritten(kIoTimeoutMs);
}

std::optional<QByteArray> SingleInstance::ask(const QByteArray &requestLine,
                                              std::chrono::milliseconds replyWait)
{
    QLocalSocket socket;
    if (!connectToRunningCopy(socket) || !sendRequest(socket, requestLine))
        return std::nullopt;
    QByteArray answer;
    const QDeadlineTimer deadline(replyWait);
    while (socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        answer += socket.readAll();
    }
    answer += socket.readAll();
    // The answer ends when the running copy closes the connection.
    if (socket.state() == QLocalSocket::ConnectedState)
        return std::nullopt;
    return answer;
}

std::unique_ptr<QLocalSocket> SingleInstance::subscribe(const QByteArray &requestLine)
{
    auto socket = std::make_unique<QLocalSocket>();
    if (!connectToRunningCopy(*socket) || !sendRequest(*socket, requestLine))
        return nullptr;
    return socket;
}

bool SingleInstance::connectToRunningCopy(QLocalSocket &socket) const
{
    if (socketPath_.isEmpty())
        return false;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(kIoTimeoutMs))
            return true;
        socket.abort();
        if (!heldElsewhere() || waited.elapsed() >= kStartingCopyPatienceMs)
            return false;
        QThread::msleep(kConnectRetryMs);
    }
}
