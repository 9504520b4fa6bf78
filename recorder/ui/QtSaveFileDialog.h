// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SaveFileDialog.h"

class QWidget;

// The save-as dialog shown with Qt, owned by a window.
class QtSaveFileDialog : public SaveFileDialog {
public:
    explicit QtSaveFileDialog(QWidget *owner) : owner_(owner) {}
    std::optional<Choice> askSavePath(const std::string &title,
                                      const std::vector<std::string> &filters) override;

private:
    QWidget *owner_;
};
