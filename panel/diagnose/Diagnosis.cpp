// SPDX-License-Identifier: GPL-3.0-or-later
#include "Diagnosis.h"

#include "HidControlLibrary.h"
#include "LibraryCardLink.h"
#include "ProgramFolder.h"
#include "RecorderProbe.h"
#include "SoundProbe.h"

namespace {

void take(QJsonObject &section, std::vector<DiagnosisProblem> &problems, ProbeResult result)
{
    section = std::move(result.section);
    problems.insert(problems.end(), result.problems.begin(), result.problems.end());
}

} // namespace

Diagnosis::Setup Diagnosis::forProgramFolder(const std::filesystem::path &programFolder)
{
    Setup setup;
    setup.program.programFolder = programFolder;
    setup.program.settingsFolder = ProgramFolder::keepsFilesBeside(programFolder)
                                       ? programFolder
                                       : ProgramFolder::userConfigPath();
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        setup.session.bus = bus;
    setup.card.link =
        std::make_shared<LibraryCardLink>(programFolder / HidControlLibrary::kFileName);
    return setup;
}

DiagnosisReport Diagnosis::run() const
{
    DiagnosisReport report;
    take(report.program, report.problems, ProgramProbe(setup_.program).run());
    take(report.session, report.problems, SessionProbe(setup_.session).run());
    take(report.card, report.problems, CardProbe(setup_.card).run());
    take(report.sound, report.problems, SoundProbe().run(CardProbe::cardPresent(report.card)));
    take(report.recorder, report.problems, RecorderProbe(setup_.program.settingsFolder).run());
    return report;
}
