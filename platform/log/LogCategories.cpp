// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogCategories.h"

Q_LOGGING_CATEGORY(lcCard, "orlenta.card", QtWarningMsg)
Q_LOGGING_CATEGORY(lcHid, "orlenta.hid", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAudio, "orlenta.audio", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRecorder, "orlenta.recorder", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTray, "orlenta.tray", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCli, "orlenta.cli", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDbus, "orlenta.dbus", QtWarningMsg)
