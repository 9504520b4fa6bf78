// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The recorder library, loaded by path. Its exports are looked up when they
// are needed; a missing export is skipped without a word.
class RecorderLibrary {
public:
    RecorderLibrary() = default;
    ~RecorderLibrary();
    RecorderLibrary(const RecorderLibrary &) = delete;
    RecorderLibrary &operator=(const RecorderLibrary &) = delete;

    bool load(const std::string &path);
    bool isLoaded() const { return handle_ != nullptr; }

    // 1 when the recorder window is shown after the call; 0 when hidden or
    // when the export is missing.
    int openDlg(int x, int y, int width, int height) const;
    void setDlgPos(int x, int y) const;
    // 0 hides, -1 restores what the user last chose.
    void showDlgHide(int command) const;
    // Tells the recorder the card went away, so that a take it runs ends and is kept.
    void deviceRemoved() const;

private:
    void *symbol(const char *name) const;
    void *handle_ = nullptr;
};
