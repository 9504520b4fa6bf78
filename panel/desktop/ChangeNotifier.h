// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardSession.h"
#include "DesktopNotifications.h"

#include <QObject>

class DesktopOptions;
class WindowPresence;

// Tells the desktop what changed where the user would not see it: the card
// plugged in, removed or refused; a change the card made itself (its
// buttons); a change made by a command, a shortcut or D-Bus while the window
// is hidden. One notification per change, each kind as the options say, and
// none while the window is shown and has the focus.
class ChangeNotifier : public QObject {
public:
    ChangeNotifier(CardSession &session, const WindowPresence &window,
                   const DesktopOptions &options, DesktopNotifications &notifications);

private:
    // Where the card stands as the user cares: a card that is being read is
    // not yet there, nor gone.
    enum class Presence { Unsettled, Present, Absent, Refused };

    void changed(CardSession::Changes what, CardSession::Source source);
    bool presenceChanged();
    void tellPresence();
    bool wanted(CardSession::Source source) const;
    void tellChange(CardSession::Source source);

    CardSession &session_;
    const WindowPresence &window_;
    const DesktopOptions &options_;
    DesktopNotifications &notifications_;
    PanelState before_;
    Presence presence_;
};
