// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopServices.h"

DesktopServices::DesktopServices(CardSession &session, WindowPresence &window,
                                 const DesktopOptions &options)
    : notifier_(session, window, options, notifications_), restorer_(session, options),
      sleepWatcher_(session), actions_(session, window), portal_(ShortcutActions::shortcuts())
{
    connect(&sleepWatcher_, &SleepWatcher::sleeping, this, &DesktopServices::sleeping);
    connect(&portal_, &GlobalShortcutsPortal::activated, this,
            [this](const QString &id) { actions_.run(id); });
}

void DesktopServices::start()
{
    sleepWatcher_.start();
    portal_.start();
}
