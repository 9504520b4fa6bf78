// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// The program's log categories. Warnings show by default and debug does not;
// QT_LOGGING_RULES or --verbose turn debug on, e.g.
// QT_LOGGING_RULES="orlenta.hid.debug=true" for every report to and from the card.
Q_DECLARE_LOGGING_CATEGORY(lcCard)     // orlenta.card: opening, reading and writing the card
Q_DECLARE_LOGGING_CATEGORY(lcHid)      // orlenta.hid: every report, in hex
Q_DECLARE_LOGGING_CATEGORY(lcAudio)    // orlenta.audio: sound server, default devices, streams
Q_DECLARE_LOGGING_CATEGORY(lcRecorder) // orlenta.recorder: takes, cuts, saves
Q_DECLARE_LOGGING_CATEGORY(lcTray)     // orlenta.tray: notification area and window visibility
Q_DECLARE_LOGGING_CATEGORY(lcCli)      // orlenta.cli: commands and the running panel's socket
Q_DECLARE_LOGGING_CATEGORY(lcDbus)     // orlenta.dbus: the session and system bus
