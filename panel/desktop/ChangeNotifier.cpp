// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChangeNotifier.h"

#include "CardStatusText.h"
#include "DesktopOptions.h"
#include "DeviceConnection.h"
#include "WindowPresence.h"

namespace {

using Option = DesktopOptions::Option;
using Source = CardSession::Source;

const QString kCardName = QString::fromLatin1(DeviceConnection::kCardName);
const QString kDesktopEntry = QStringLiteral("org.orlenta.Orlenta");

QVariantMap hints(const char *category, bool transient)
{
    QVariantMap map{{QStringLiteral("desktop-entry"), kDesktopEntry},
                    {QStringLiteral("category"), QString::fromLatin1(category)}};
    // Feedback on a change is worth nothing later: it stays out of the history.
    if (transient)
        map.insert(QStringLiteral("transient"), true);
    return map;
}

} // namespace

ChangeNotifier::ChangeNotifier(CardSession &session, const WindowPresence &window,
                               const DesktopOptions &options, DesktopNotifications &notifications)
    : session_(session), window_(window), options_(options), notifications_(notifications),
      before_(session.shown()), presence_(Presence::Unsettled)
{
    presenceChanged();
    connect(&session_, &CardSession::changed, this,
            [this](CardSession::Changes what, Source source) { changed(what, source); });
}

void ChangeNotifier::changed(CardSession::Changes what, Source source)
{
    const bool quiet = window_.isActive();
    if ((what & CardSession::Card) && presenceChanged()) {
        if (!quiet)
            tellPresence();
    } else if (!quiet && session_.cardState() == CardState::Ready) {
        tellChange(source);
    }
    before_ = session_.shown();
}

// The card found at start was not plugged in: the first look settles the
// presence without a word. Reading (Opening) settles nothing: the card is there
// once its first read attempt is over, answered or not.
bool ChangeNotifier::presenceChanged()
{
    if (!session_.hasLookedForCard())
        return false;
    Presence now = presence_;
    switch (session_.cardState()) {
    case CardState::Ready:
    case CardState::NotAnswering:
        now = Presence::Present;
        break;
    case CardState::Absent:
    case CardState::NoLibrary:
        now = Presence::Absent;
        break;
    case CardState::AccessDenied:
        now = Presence::Refused;
        break;
    case CardState::Opening:
        break;
    }
    const bool changed = presence_ != Presence::Unsettled && now != presence_;
    presence_ = now;
    return changed;
}

void ChangeNotifier::tellPresence()
{
    if (!options_.shows(Option::ConnectionNotices))
        return;
    const CardState card = session_.cardState();
    switch (presence_) {
    case Presence::Present:
        notifications_.show({CardStatusText::iconName(card, session_.shown()),
                             kCardName + QStringLiteral(" connected"),
                             CardStatusText::line(card, session_.shown()),
                             hints("device.added", false)});
        break;
    case Presence::Absent:
        notifications_.show({QString::fromLatin1(CardStatusText::kNoCardIcon),
                             kCardName + QStringLiteral(" removed"),
                             {},
                             hints("device.removed", false)});
        break;
    case Presence::Refused:
        notifications_.show({QString::fromLatin1(CardStatusText::kNoCardIcon),
                             kCardName + QStringLiteral(" may not be opened"),
                             QStringLiteral("This user has no access to the card. The udev rule "
                                            "70-orlenta.rules gives it; see the README."),
                             hints("device.error", false)});
        break;
    case Presence::Unsettled:
        break;
    }
}

// A card's own change shows wherever the window is not in front; a change
// from outside only while the window is hidden, since it shows there too.
bool ChangeNotifier::wanted(Source source) const
{
    switch (source) {
    case Source::CardReport:
        return options_.shows(Option::CardChangeNotices);
    case Source::Command:
    case Source::Preset:
    case Source::Reset:
        return !window_.isShown() && options_.shows(Option::CommandChangeNotices);
    case Source::User:
    case Source::Connection:
        break;
    }
    return false;
}

void ChangeNotifier::tellChange(Source source)
{
    if (!wanted(source))
        return;
    const PanelState &after = session_.shown();
    const QString line = CardStatusText::line(CardState::Ready, after);
    QString summary;
    if (source == Source::Preset)
        summary = QStringLiteral("Preset %1").arg(after.preset());
    else if (source == Source::Reset)
        summary = QStringLiteral("Factory settings");
    else
        summary = CardStatusText::differences(before_, after).join(QStringLiteral(", "));
    // A write that changed nothing is told as where the card stands.
    if (summary.isEmpty())
        summary = line;
    notifications_.show({CardStatusText::iconName(CardState::Ready, after), summary,
                         summary == line ? QString() : line, hints("device", true)});
}
