// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChangeNotifier.h"
#include "DesktopNotifications.h"
#include "GlobalShortcutsPortal.h"
#include "PresetRestorer.h"
#include "ShortcutActions.h"
#include "SleepWatcher.h"

#include <QObject>

class CardSession;
class DesktopOptions;
class WindowPresence;

// The running panel's services on the desktop's buses, around the card
// session: notifications of what changed, the selected preset written to a
// card that returns, sleep and resume, and global shortcuts. Each observes
// the session and acts through its calls; each does nothing where its
// service is missing.
class DesktopServices : public QObject {
    Q_OBJECT
public:
    DesktopServices(CardSession &session, WindowPresence &window, const DesktopOptions &options);

    // Starts talking to logind and the portal; the observers run from the start.
    void start();

signals:
    // The system is about to sleep: a take in progress is to end and be kept.
    void sleeping();

private:
    DesktopNotifications notifications_;
    ChangeNotifier notifier_;
    PresetRestorer restorer_;
    SleepWatcher sleepWatcher_;
    ShortcutActions actions_;
    GlobalShortcutsPortal portal_;
};
