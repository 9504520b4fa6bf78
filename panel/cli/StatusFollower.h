// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardSession.h"
#include "PanelStatus.h"

#include <QObject>

#include <functional>

// What outside programs (`orlenta watch`, the D-Bus interface) are told of
// a session's changes: the status after each one and who made it, in the
// order they happened. A change of which controls take input alone is not
// told, since the status does not show it; every other change is, a write
// of what was there already included (a command was carried out) and a
// change of the card's state that the status shows alike (denied, or not
// answering).
class StatusFollower : public QObject {
public:
    using Handler = std::function<void(const PanelStatus &status, CardSession::Source source)>;

    StatusFollower(CardSession &session, Handler handler);
};
