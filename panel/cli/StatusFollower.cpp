// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusFollower.h"

StatusFollower::StatusFollower(CardSession &session, Handler handler)
{
    connect(&session, &CardSession::changed, this,
            [&session, handler = std::move(handler)](CardSession::Changes what,
                                                     CardSession::Source source) {
                if (what != CardSession::Controls)
                    handler(session.status(), source);
            });
}
