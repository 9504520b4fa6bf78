// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QString>

#include <vector>

// A problem the diagnosis found, and what the user can do about it, in one
// line each.
struct DiagnosisProblem {
    QString what;
    QString fix;
    bool operator==(const DiagnosisProblem &) const = default;
};

// One section of the diagnosis: what was found, and the problems in it.
struct ProbeResult {
    QJsonObject section;
    std::vector<DiagnosisProblem> problems;
};
