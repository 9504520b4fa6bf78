// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

// Global shortcuts through the desktop portal
// (org.freedesktop.portal.GlobalShortcuts on the session bus): a session is
// created and the panel's shortcuts bound to it, each answered by the
// portal's Request/Response pattern; the desktop lets the user pick the keys
// and keeps them by the shortcuts' ids. Where there is no portal, or it
// lacks the interface, nothing happens and nothing is said.
class GlobalShortcutsPortal : public QObject {
    Q_OBJECT
public:
    struct Shortcut {
        QString id; // stable: the desktop keeps the user's keys by it
        QString description;
    };

    explicit GlobalShortcutsPortal(std::vector<Shortcut> shortcuts, QObject *parent = nullptr);

    // Creates the session and binds the shortcuts, from the event loop on.
    void start();
    // The portal bound the shortcuts to the session.
    bool isBound() const { return bound_; }

signals:
    void activated(const QString &id);

private slots:
    void response(uint code, const QVariantMap &results, const QDBusMessage &message);
    void shortcutActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                           const QVariantMap &options);

private:
    using Answer = std::function<void(const QVariantMap &results)>;

    // Calls a portal method whose results come by a Request's Response:
    // the request's path is known before the call, so its answer cannot be missed.
    void request(const QString &method, QList<QVariant> arguments, QVariantMap options,
                 Answer answer);
    void listen(const QString &requestPath);
    void forget();
    void sessionCreated(const QVariantMap &results);

    std::vector<Shortcut> shortcuts_;
    QString requestPath_;
    Answer answer_;
    QString session_;
    int requests_ = 0;
    bool bound_ = false;
};
