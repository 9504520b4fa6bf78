// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetRestorer.h"

#include "DesktopOptions.h"

#include <QTimer>

#include <utility>

PresetRestorer::PresetRestorer(CardSession &session, const DesktopOptions &options)
    : session_(session), options_(options), ready_(session.cardState() == CardState::Ready)
{
    connect(&session_, &CardSession::changed, this,
            [this](CardSession::Changes what) { changed(what); });
}

void PresetRestorer::changed(CardSession::Changes what)
{
    if (!(what & CardSession::Card))
        return;
    const bool wasReady = std::exchange(ready_, session_.cardState() == CardState::Ready);
    if (ready_ && !wasReady && options_.isOn(DesktopOptions::Option::RestorePreset))
        // Not from inside the read's announcement: the write waits its turn
        // in the event loop, as a click would.
        QTimer::singleShot(0, this, [this] { restore(); });
}

void PresetRestorer::restore()
{
    const int preset = session_.shown().preset();
    if (session_.cardState() != CardState::Ready || !session_.shown().takesPreset(preset))
        return;
    session_.loadPreset(preset, {});
}
