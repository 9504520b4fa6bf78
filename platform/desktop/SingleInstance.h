#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

// One running copy per user: the first copy listens on a local socket, a
// later copy connects to it, asks it to come to the front and ends.
class SingleInstance : public QObject {
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another copy answered and was asked to show itself.
    bool notifyRunningCopy();
    // Starts listening; raise runs whenever a later copy asks.
    bool listen(std::function<void()> raise);

    // Per-user socket path: in XDG_RUNTIME_DIR when set, else in the
    // temporary folder with the user id in the name.
    static QString socketPath(const QString &name);

private:
    QString path_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> raise_;
};
