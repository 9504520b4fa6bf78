// SPDX-License-Identifier: GPL-3.0-or-later
// The reference for the panel's start-up: a Qt dialog with a few widgets and
// nothing else to load.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle("Bare dialog");
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("Master Vol:"));
    dialog.resize(420, 330);
    dialog.show();
    return dialog.exec();
}
