// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosisReport.h"

#include <QJsonArray>

const QJsonObject &DiagnosisReport::section(std::string_view name) const
{
    if (name == "program")
        return program;
    if (name == "session")
        return session;
    if (name == "card")
        return card;
    if (name == "sound")
        return sound;
    return recorder;
}

QJsonObject DiagnosisReport::toJson() const
{
    QJsonObject json;
    for (const char *name : kSections)
        json.insert(QLatin1String(name), section(name));
    QJsonArray list;
    for (const DiagnosisProblem &problem : problems)
        list.append(QJsonObject{{"what", problem.what}, {"fix", problem.fix}});
    json.insert(QLatin1String("problems"), list);
    return json;
}
