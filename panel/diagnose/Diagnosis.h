// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardProbe.h"
#include "DiagnosisReport.h"
#include "ProgramProbe.h"
#include "SessionProbe.h"

#include <filesystem>

// `orlenta diagnose`: runs every probe and gathers their sections and
// problems into one report. Render it with DiagnosisReport::toJson or
// DiagnosisText. Needs a Qt core application (the card's answer and the
// session bus arrive through its event loop).
class Diagnosis {
public:
    struct Setup {
        ProgramProbe::Setup program;
        SessionProbe::Setup session;
        CardProbe::Setup card;
    };

    // The real system for the program in programFolder: its settings folder
    // and HID library, the session bus, /sys and /dev, udev's rule folders
    // and the sound server libpulse finds.
    static Setup forProgramFolder(const std::filesystem::path &programFolder);

    explicit Diagnosis(Setup setup) : setup_(std::move(setup)) {}
    DiagnosisReport run() const;

private:
    Setup setup_;
};
