// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtSaveFileDialog.h"

#include "ProgramFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

// The user's music folder, or home when there is none.
QString userMusicFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return !music.isEmpty() && QDir(music).exists() ? music : QDir::homePath();
}

} // namespace

std::optional<SaveFileDialog::Choice>
QtSaveFileDialog::askSavePath(const std::string &title, const std::vector<std::string> &filters)
{
    QFileDialog dialog(owner_, QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // An installed program works in its read-only program folder: a take is
    // saved where the user keeps music instead.
    if (!ProgramFolder::keepsFilesBeside(ProgramFolder::path()))
        dialog.setDirectory(userMusicFolder());
    QStringList names;
    for (const std::string &filter : filters)
        names << QString::fromStdString(filter);
    dialog.setNameFilters(names);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Choice{dialog.selectedFiles().constFirst().toStdString(),
                  int(names.indexOf(dialog.selectedNameFilter())) + 1};
}
