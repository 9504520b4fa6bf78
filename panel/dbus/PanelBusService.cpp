// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelBusService.h"

#include "CommandDispatcher.h"
#include "LogCategories.h"
#include "OrlentaAdaptor.h"
#include "SettingsDictionary.h"
#include "StatusDictionary.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const char *const kFailed = "org.freedesktop.DBus.Error.Failed";

// A command's message as a D-Bus error's: without the program's name in
// front and the line end after.
QString errorText(std::string message)
{
    constexpr std::string_view kProgram = "orlenta: ";
    if (message.starts_with(kProgram))
        message.erase(0, kProgram.size());
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    return QString::fromStdString(message);
}

CommandLine commandOf(const std::vector<std::string> &words)
{
    return *CommandLine::parse(words).command;
}

} // namespace

PanelBusService::PanelBusService(CardSession &session, CommandDispatcher &dispatcher,
                                 QObject *parent)
    : QObject(parent), session_(session), dispatcher_(dispatcher),
      connection_(QStringLiteral("none")), told_(status()),
      follower_(session, [this](const PanelStatus &status, CardSession::Source source) {
          tell(status, source);
      })
{
    new OrlentaAdaptor(this);
}

PanelBusService::~PanelBusService()
{
    if (ownsName_)
        connection_.unregisterService(QString::fromLatin1(kName));
    if (connection_.isConnected())
        connection_.unregisterObject(QString::fromLatin1(kPath));
}

bool PanelBusService::exportOn(const QDBusConnection &connection)
{
    connection_ = connection;
    if (connection_.registerObject(QString::fromLatin1(kPath), this))
        return true;
    qCWarning(lcDbus) << "cannot export" << kPath << ":" << connection_.lastError().message();
    return false;
}

bool PanelBusService::publish(const QDBusConnection &bus)
{
    if (!bus.isConnected()) {
        qCDebug(lcDbus) << "no session bus: the D-Bus interface is not offered";
        return false;
    }
    if (!exportOn(bus))
        return false;
    // Not queued: a name that is another's stays so, and this panel is
    // never a second owner waiting for it.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QString::fromLatin1(kName),
                                         QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    ownsName_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!ownsName_)
        qCWarning(lcDbus) << "the name" << kName << "belongs to another program";
    return ownsName_;
}

QVariantMap PanelBusService::status() const
{
    return StatusDictionary::of(session_.status());
}

void PanelBusService::Set(const QVariantMap &settings)
{
    const CommandLine::Parsed parsed = SettingsDictionary::parse(settings);
    if (!parsed.command) {
        refuse(kInvalidArgument, parsed.error);
        return;
    }
    changeCard(*parsed.command);
}

void PanelBusService::LoadPreset(int preset)
{
    const CommandLine::Parsed parsed = CommandLine::parse({"preset", std::to_string(preset)});
    if (!parsed.command) {
        refuse(kInvalidArgument, parsed.error);
        return;
    }
    changeCard(*parsed.command);
}

void PanelBusService::Reset()
{
    changeCard(commandOf({"reset"}));
}

void PanelBusService::Show()
{
    carryOut(CommandLine::show({}));
}

void PanelBusService::Hide()
{
    carryOut(commandOf({"hide"}));
}

void PanelBusService::Quit()
{
    carryOut(commandOf({"quit"}));
}

void PanelBusService::changeCard(const CommandLine &command)
{
    if (const std::optional<CommandReply> problem = dispatcher_.cardProblem()) {
        refuse(kNoCard, problem->err);
        return;
    }
    carryOut(command);
}

// Answered when the dispatcher answers: for a change, once the card has.
void PanelBusService::carryOut(const CommandLine &command)
{
    if (!calledFromDBus())
        return;
    setDelayedReply(true);
    const QDBusMessage call = message();
    const QDBusConnection connection = this->connection();
    dispatcher_.handle(command, [call, connection](const CommandReply &reply) {
        connection.send(
            reply.exitCode == CommandReply::kDone
                ? call.createReply()
                : call.createErrorReply(QString::fromLatin1(kFailed), errorText(reply.err)));
    });
}

void PanelBusService::refuse(const char *error, const std::string &message)
{
    sendErrorReply(QString::fromLatin1(error), errorText(message));
}

void PanelBusService::tell(const PanelStatus &status, CardSession::Source source)
{
    const QVariantMap now = StatusDictionary::of(status);
    emit Changed(now, QString::fromLatin1(CardSession::sourceName(source)));
    if (now == told_ || !connection_.isConnected())
        return;
    told_ = now;
    QDBusMessage changed = QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    changed << QString::fromLatin1(kInterface)
            << QVariantMap{{QStringLiteral("Status"), QVariant::fromValue(now)}} << QStringList();
    connection_.send(changed);
}
