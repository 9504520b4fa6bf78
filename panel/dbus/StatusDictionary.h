// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelStatus.h"

#include <QVariantMap>

// The status as D-Bus gives it (a{sv}): the keys of `status --json`, the
// mode as its name, numbers as integers, switches and "connected" as
// booleans. A value that is not known is left out, as D-Bus has no null.
namespace StatusDictionary {
QVariantMap of(const PanelStatus &status);
}
