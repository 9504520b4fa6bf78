#include "QtSaveFileDialog.h"

#include <QFileDialog>

std::optional<SaveFileDialog::Choice>
QtSaveFileDialog::askSavePath(const std::string &title, const std::vector<std::string> &filters)
{
    QFileDialog dialog(owner_, QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList names;
    for (const std::string &filter : filters)
        names << QString::fromStdString(filter);
    dialog.setNameFilters(names);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Choice{dialog.selectedFiles().constFirst().toStdString(),
                  int(names.indexOf(dialog.selectedNameFilter())) + 1};
}
