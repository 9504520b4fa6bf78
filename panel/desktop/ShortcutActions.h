// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlobalShortcutsPortal.h"
#include "PanelValues.h"

#include <QString>

#include <vector>

class CardSession;
class WindowPresence;

// What the panel's global shortcuts do. Each acts through the session as
// the matching command would, and only on a card whose block is read; the
// ids stay as they are, since the desktop keeps the user's keys by them.
class ShortcutActions {
public:
    ShortcutActions(CardSession &session, WindowPresence &window);

    // Every shortcut with the words the desktop shows for it.
    static std::vector<GlobalShortcutsPortal::Shortcut> shortcuts();
    // Unknown ids do nothing.
    void run(const QString &id);

private:
    void toggleMute(bool PanelValues::*mute);
    void nextMode();
    void stepMasterVolume(int delta);
    void loadPreset(int preset);
    void apply(const PanelValues &values);

    CardSession &session_;
    WindowPresence &window_;
};
