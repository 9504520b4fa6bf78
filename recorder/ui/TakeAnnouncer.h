// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TakeModel.h"

#include <optional>

class QWidget;

// What the recorder window tells a screen reader of the take. The waveform
// and the position bar describe it (its length and the marks set); Record
// says the take's length once a take has ended, Start and End the mark each
// set. A description that changes is told as a description-change event,
// which a screen reader speaks for the control that has the focus (the button
// just pressed).
class TakeAnnouncer {
public:
    struct Controls {
        QWidget *record;
        QWidget *start;
        QWidget *end;
        QWidget *waveform;
        QWidget *position;
    };

    explicit TakeAnnouncer(const Controls &controls) : controls_(controls) {}

    // takeSeconds: how long the take is, when there is one.
    void show(const TakeModel &model, std::optional<double> takeSeconds) const;

private:
    Controls controls_;
};
