// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProbeResult.h"

#include <filesystem>

// The program section: versions (Orlenta, Qt, hidapi beneath the HID
// library), where the program folder and the HID library are, the settings
// folder and whether this user may write it, and whether each preset file
// parses. Reads only; a settings folder that does not exist yet is left so.
class ProgramProbe {
public:
    struct Setup {
        std::filesystem::path programFolder;
        std::filesystem::path settingsFolder;
    };

    explicit ProgramProbe(Setup setup) : setup_(std::move(setup)) {}
    ProbeResult run() const;

private:
    QJsonObject library() const;
    QJsonObject presetFiles(std::vector<DiagnosisProblem> &problems) const;
    bool settingsWritable() const;

    Setup setup_;
};
