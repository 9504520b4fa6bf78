// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardState.h"
#include "PanelState.h"

#include <QString>
#include <QStringList>

// How the desktop tells where the card stands: the tray icon's themed icon
// name and tooltip, and the words a notification uses for a change.
class CardStatusText {
public:
    static constexpr const char *kAppIcon = "org.orlenta.Orlenta";
    static constexpr const char *kMicMutedIcon = "org.orlenta.Orlenta-mic-muted";
    static constexpr const char *kNoCardIcon = "org.orlenta.Orlenta-no-card";

    // No card, the microphone muted, or the application's own icon.
    static QString iconName(CardState card, const PanelState &shown);
    // One line: the mode, the preset and the master volume of a read card
    // ("Mode: Sing · Preset 1 · Master volume 12"), else what keeps it
    // from being read ("No card").
    static QString line(CardState card, const PanelState &shown);
    // What differs from one state to the next, a phrase each, in the order
    // `orlenta status` lists the settings: "Mode: Sing", "Mic muted",
    // "Master volume 12".
    static QStringList differences(const PanelState &before, const PanelState &after);
};
