// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtRecorderMessageBoxes.h"

#include <QMessageBox>

void QtRecorderMessageBoxes::inform(const std::string &text, const std::string &caption)
{
    QMessageBox::warning(owner_, QString::fromStdString(caption), QString::fromStdString(text),
                         QMessageBox::Ok);
}

bool QtRecorderMessageBoxes::ask(const std::string &text, const std::string &caption)
{
    return QMessageBox::information(owner_, QString::fromStdString(caption),
                                    QString::fromStdString(text),
                                    QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}
