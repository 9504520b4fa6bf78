// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramProbe.h"

#include "PanelState.h"
#include "HidControlLibrary.h"
#include "PresetFiles.h"

#include <QRegularExpression>

#include <dlfcn.h>
#include <unistd.h>

#include <system_error>

namespace fs = std::filesystem;

namespace {

QString pathText(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

bool isBlockText(const std::string &text)
{
    static const QRegularExpression sixteenHexDigits(QStringLiteral("^[0-9a-fA-F]{16}$"));
    return sixteenHexDigits.match(QString::fromStdString(text)).hasMatch();
}

QString settingState(const PresetFiles &files)
{
    std::error_code error;
    if (!fs::exists(files.settingFile(), error))
        return QStringLiteral("missing (made at the panel's next start)");
    const int preset = PanelState::presetFromSetting(files.currentConfig());
    return preset ? QStringLiteral("selects preset %1").arg(preset)
                  : QStringLiteral("selects no preset");
}

} // namespace

ProbeResult ProgramProbe::run() const
{
    ProbeResult result;
    QJsonObject hidLibrary = library();
    const QJsonValue hidapiVersion = hidLibrary.take("hidapi");
    const bool writable = settingsWritable();
    result.section = QJsonObject{{"version", QStringLiteral(ORLENTA_VERSION)},
                                 {"qt", QString::fromLatin1(qVersion())},
                                 {"hidapi", hidapiVersion},
                                 {"program_folder", pathText(setup_.programFolder)},
                                 {"hid_library", hidLibrary},
                                 {"settings_folder", pathText(setup_.settingsFolder)},
                                 {"settings_folder_writable", writable},
                                 {"preset_files", presetFiles(result.problems)}};
    if (!writable)
        result.problems.push_back(
            {QStringLiteral("the settings folder %1 is not writable by you: presets are not kept")
                 .arg(pathText(setup_.settingsFolder)),
             QStringLiteral("make it yours: sudo chown -R \"$USER\" '%1'")
                 .arg(pathText(setup_.settingsFolder))});
    return result;
}

// The library beside the program, and the hidapi version it runs on (which
// the simulated device, put there by tests and demonstrations, has none of).
QJsonObject ProgramProbe::library() const
{
    const fs::path path = setup_.programFolder / HidControlLibrary::kFileName;
    HidControlLibrary library;
    const bool loaded = library.load(path.string());
    const auto hidapiVersion = loaded ? reinterpret_cast<decltype(&SNX_GetHidapiVersion)>(
                                            dlsym(library.handle(), "SNX_GetHidapiVersion"))
                                      : nullptr;
    const char *version = hidapiVersion ? hidapiVersion() : nullptr;
    return QJsonObject{
        {"path", pathText(path)},
        {"loaded", loaded},
        {"error",
         loaded ? QJsonValue::Null : QJsonValue(QString::fromStdString(library.loadError()))},
        {"simulated", loaded && dlsym(library.handle(), "SIM_Reset") != nullptr},
        {"hidapi", version ? QJsonValue(QString::fromLocal8Bit(version)) : QJsonValue::Null}};
}

QJsonObject ProgramProbe::presetFiles(std::vector<DiagnosisProblem> &problems) const
{
    const PresetFiles files(setup_.settingsFolder);
    QJsonObject states{{"setting.ini", settingState(files)}};
    for (int preset = 1; preset <= PresetFiles::kPresetCount; ++preset) {
        const fs::path file = files.presetFile(preset);
        const QString name = pathText(file.filename());
        std::error_code error;
        if (!fs::exists(file, error)) {
            states.insert(name, QStringLiteral("missing (the preset starts from the new-preset "
                                               "settings)"));
            continue;
        }
        const std::string text = files.presetText(preset);
        if (isBlockText(text)) {
            states.insert(name, QStringLiteral("parses"));
            continue;
        }
        const QString state = QStringLiteral("does not parse: settingToVoice is '%1'")
                                  .arg(QString::fromStdString(text));
        states.insert(name, state);
        problems.push_back({QStringLiteral("%1 %2").arg(pathText(file), state),
                            QStringLiteral("delete it: preset %1 then starts from the new-preset "
                                           "settings")
                                .arg(preset)});
    }
    return states;
}

// A folder that is not there yet is made by the panel where its parent
// lets it.
bool ProgramProbe::settingsWritable() const
{
    std::error_code error;
    fs::path folder = setup_.settingsFolder;
    while (!folder.empty() && !fs::exists(folder, error) && folder != folder.parent_path())
        folder = folder.parent_path();
    return !folder.empty() && ::access(folder.c_str(), W_OK) == 0;
}
