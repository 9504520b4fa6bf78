// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StatusFollower.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

#include <string>

class CardSession;
class CommandDispatcher;
struct CommandLine;

// The running panel on the session bus: org.orlenta.Orlenta1 at
// /org/orlenta/Orlenta (org.orlenta.Orlenta1.xml, whose adaptor calls the
// methods below). Calls are carried out by the panel's CommandDispatcher, as
// the same commands from the command line are, and answered once the card
// has answered; every change the session tells goes out as Changed and,
// when the status differs, as PropertiesChanged of Status.
class PanelBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(QVariantMap Status READ status)
public:
    static constexpr const char *kName = "org.orlenta.Orlenta";
    static constexpr const char *kPath = "/org/orlenta/Orlenta";
    static constexpr const char *kInterface = "org.orlenta.Orlenta1";
    static constexpr const char *kInvalidArgument = "org.orlenta.Orlenta1.Error.InvalidArgument";
    static constexpr const char *kNoCard = "org.orlenta.Orlenta1.Error.NoCard";

    PanelBusService(CardSession &session, CommandDispatcher &dispatcher, QObject *parent = nullptr);
    ~PanelBusService() override;

    // Exports the object on the bus and takes the name; false, with a
    // warning, when the name is another's (it is never queued for).
    bool publish(const QDBusConnection &bus);
    // Exports the object alone, as on a connection to one peer.
    bool exportOn(const QDBusConnection &connection);

    QVariantMap status() const;

    // org.orlenta.Orlenta1
    void Set(const QVariantMap &settings);
    void LoadPreset(int preset);
    void Reset();
    void Show();
    void Hide();
    void Quit();

signals:
    void Changed(const QVariantMap &status, const QString &source);

private:
    void carryOut(const CommandLine &command);
    void changeCard(const CommandLine &command);
    void refuse(const char *error, const std::string &message);
    void tell(const PanelStatus &status, CardSession::Source source);

    CardSession &session_;
    CommandDispatcher &dispatcher_;
    QDBusConnection connection_;
    bool ownsName_ = false;
    QVariantMap told_;
    StatusFollower follower_;
};
