// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProbeResult.h"

#include <QJsonObject>

#include <string_view>
#include <vector>

// What `orlenta diagnose` found: one section per part of the system and the
// verdict, the problems found with a fix for each.
struct DiagnosisReport {
    // The sections in the order they are shown; also the JSON object's keys
    // besides "problems".
    static constexpr const char *kSections[] = {"program", "session", "card", "sound", "recorder"};
    static constexpr int kNoProblem = 0;
    static constexpr int kProblemsFound = 1;

    QJsonObject program;
    QJsonObject session;
    QJsonObject card;
    QJsonObject sound;
    QJsonObject recorder;
    std::vector<DiagnosisProblem> problems;

    // The section of that name; the recorder's for any other.
    const QJsonObject &section(std::string_view name) const;
    // One object: the sections by name, and "problems", a list of
    // {"what", "fix"}.
    QJsonObject toJson() const;
    int exitStatus() const { return problems.empty() ? kNoProblem : kProblemsFound; }
};
