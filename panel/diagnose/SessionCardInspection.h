// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardLink.h"

#include <functional>

class HidCardSession;

// The card section's answers in the running panel, which has the card open:
// what its session knows (the library it loaded, the interfaces that lists,
// how the last open went) and one read of the block through the session's
// own channel, queued behind the panel's exchanges and never asked again.
// A card the panel has not open gets the answers a command would find: not
// found, denied, the library not loaded.
class SessionCardInspection {
public:
    using Done = std::function<void(const CardLink::Result &result)>;

    // done is called once: now, or when the read is over. It may come when
    // the panel is ending (the read dropped), so it holds what it needs.
    static void inspect(HidCardSession &session, Done done);
};
