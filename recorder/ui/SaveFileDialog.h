// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// The system's save-as dialog: asks for a file name; no default extension, no
// initial name, asks before overwriting. The answer carries the chosen path
// and the 1-based index of the filter the dialog ended with.
class SaveFileDialog {
public:
    struct Choice {
        std::string path;
        int filterIndex = 0;
    };
    virtual ~SaveFileDialog() = default;
    // Nothing when the user cancels.
    virtual std::optional<Choice> askSavePath(const std::string &title,
                                              const std::vector<std::string> &filters) = 0;
};
