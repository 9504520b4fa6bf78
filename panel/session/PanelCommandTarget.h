// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardState.h"
#include "PanelStatus.h"
#include "PanelValues.h"

#include <filesystem>
#include <functional>
#include <system_error>

// What a command from outside acts on: the card as the running panel or a
// run without a window keeps it. Every change goes the way a click goes: the
// panel shows it, the selected preset stores it, one write sends it.
class PanelCommandTarget {
public:
    // Called once with whether the card answered the write; may be called
    // before the call that was given it returns.
    using Done = std::function<void(bool answered)>;
    // Told after every write of a settings file: the settings folder, and no
    // error when the write reached the disk, else why not.
    using StoreObserver =
        std::function<void(const std::filesystem::path &folder, std::error_code failure)>;

    // What the panel and a command say about AccessDenied: the fix is the
    // same udev rule either way.
    static constexpr const char *kAccessDeniedText =
        "The VEK ZR-4 card is plugged in, but Orlenta may not open it: this user has no access "
        "to its HID device node (/dev/hidraw*).\n\n"
        "Install the udev rule 70-orlenta.rules that gives the user at the seat access, as the "
        "README's section \"Running against a real card\" says:\n"
        "    sudo cp packaging/70-orlenta.rules /etc/udev/rules.d/\n"
        "    sudo udevadm control --reload\n"
        "then unplug the card and plug it in again. The Orlenta package installs the rule itself.";

    virtual ~PanelCommandTarget() = default;

    // One observer at a time; an empty one ends the telling.
    virtual void setStoreObserver(StoreObserver observer) = 0;
    virtual CardState cardState() const = 0;
    virtual PanelStatus status() const = 0;
    // Shows the values and sends them, as one change. A mode the panel does
    // not offer (such as -1) leaves the mode as it is.
    virtual void apply(const PanelValues &values, Done done) = 0;
    // As a click on preset button n (1-4).
    virtual void loadPreset(int preset, Done done) = 0;
    // As a click on "Reset to factory settings".
    virtual void factoryReset(Done done) = 0;
};
