// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

// The program: language, one running copy, then the main window until it
// ends.
class CVarnelApp {
public:
    struct LanguageFlags {
        bool chineseSystem = false; // the system speaks simplified Chinese
        bool englishText = true;    // the texts shown are the English ones, always
        QLocale uiLanguage;
    };

    static LanguageFlags chooseLanguage(const QLocale &system);
    // hidden: start in the tray without showing the window.
    int run(int argc, char **argv, bool hidden);

    const LanguageFlags &language() const { return language_; }

private:
    LanguageFlags language_;
};
