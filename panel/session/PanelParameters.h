// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardChannel.h"
#include "PanelState.h"
#include "ParameterBlock.h"
#include "PresetFiles.h"

#include <functional>
#include <optional>
#include <system_error>

// The parameter block's way between what the panel shows, the preset files
// and the card: a send packs what is shown, stores it in the selected preset
// and writes it; a read asks the card for its block.
class PanelParameters {
public:
    // Told whether the card answered the write.
    using Done = std::function<void(bool answered)>;
    // Told after every write of a settings file: no error when it reached
    // the disk, else why not.
    using StoreObserver = std::function<void(std::error_code failure)>;
    // Told once how a read ended: the card's block, or none when the read was
    // dropped (the card went away or the program ends).
    using ReadEnded = std::function<void(const std::optional<ParameterBlock> &block)>;

    PanelParameters(CardChannel &channel, const PanelState &state, PresetFiles &presets);

    void setStoreObserver(StoreObserver observer) { storeObserver_ = std::move(observer); }

    void send(Done done = {});
    // firstAttemptOver runs once the first attempt is over, answered or not,
    // or when the read ends without one; an unanswered read goes on in the
    // background until the card answers or goes away. ended runs when the
    // read is over, before a firstAttemptOver still due.
    void read(std::function<void(bool answered)> firstAttemptOver, ReadEnded ended);
    // One attempt of the read, whatever the card answers, beside the panel's
    // own exchanges; nothing is shown.
    void readOnce(CardChannel::Sampled done);
    // What preset 1-4 holds, as the panel shows it.
    PanelValues presetValues(int preset) const;
    // setting.ini names the preset as the selected one.
    void storeSelection(int preset);

private:
    void stored(bool ok);

    CardChannel &channel_;
    const PanelState &state_;
    PresetFiles &presets_;
    StoreObserver storeObserver_;
};
