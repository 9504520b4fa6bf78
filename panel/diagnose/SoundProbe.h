// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProbeResult.h"

// The sound section: which server answers the PulseAudio client API
// (PulseAudio itself or PipeWire), the card's sink and source as it names
// them (described "VEK ZR-4", as the panel finds them when it makes them the
// defaults), the default sink and source and whether they are the card's.
// The server is the one libpulse finds (PULSE_SERVER, the session's runtime
// folder): tests start their own or point at none.
class SoundProbe {
public:
    // cardPresent: the card section found the card plugged in; only then is
    // a server without its sink or source a problem.
    ProbeResult run(bool cardPresent) const;
};
