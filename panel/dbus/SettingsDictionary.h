// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"

#include <QVariantMap>

// The settings of a D-Bus Set call (a{sv}) as the `set` command they stand
// for, checked whole by the same rules: the keys of `set`, numbers in their
// ranges given as any D-Bus integer type, the mode as its name, switches as
// booleans. Any other key, type or value anywhere, a nested variant, or no
// setting at all, and there is no command, only the reason.
namespace SettingsDictionary {
CommandLine::Parsed parse(const QVariantMap &settings);
}
