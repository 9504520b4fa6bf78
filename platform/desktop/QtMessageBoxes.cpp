// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtMessageBoxes.h"

#include <QMessageBox>

void QtMessageBoxes::inform(const std::string &text, const std::string &caption)
{
    QMessageBox::information(owner_, QString::fromStdString(caption), QString::fromStdString(text),
                             QMessageBox::Ok);
}

bool QtMessageBoxes::ask(const std::string &text, const std::string &caption)
{
    return QMessageBox::question(owner_, QString::fromStdString(caption),
                                 QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
