// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardSession.h"

#include <QObject>

class DesktopOptions;

// "Restore preset when the card returns": each time the card's block has
// been read (the panel found it, it was plugged in, the system resumed), the
// selected preset is written to it, as its button would. Off, the card keeps
// the state it brought.
class PresetRestorer : public QObject {
public:
    PresetRestorer(CardSession &session, const DesktopOptions &options);

private:
    void changed(CardSession::Changes what);
    void restore();

    CardSession &session_;
    const DesktopOptions &options_;
    bool ready_;
};
