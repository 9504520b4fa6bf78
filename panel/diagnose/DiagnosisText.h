// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosisReport.h"

#include <QString>

// The report as a person reads it: a heading per section, one "key: value"
// line per finding (nested ones indented beneath), then the verdict.
class DiagnosisText {
public:
    static QString render(const DiagnosisReport &report);
};
