// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CMixerSet2Dlg.h"
#include "ChineseText.h"
#include "ConvertingMessageBoxes.h"
#include "RecorderServices.h"

#include <QPointer>

#include <memory>
#include <optional>

class LibraryServices;
class QLocale;

// The recorder library's application object: decides at load which texts the
// recorder shows, owns the one recorder window from the first OpenDlg until
// the library unloads, and carries out the three exports.
class CRecordApp {
public:
    static constexpr int kSimplifiedChinese = 0x0804;
    static constexpr int kTraditionalChinese = 0x0404;
    static constexpr int kEnglishUs = 0x0409;

    // systemLanguage: the system's language identifier (see languageOf).
    // services: what the window works with; none: the real devices.
    explicit CRecordApp(int systemLanguage,
                        std::optional<RecorderServices> services = std::nullopt);
    ~CRecordApp();
    CRecordApp(const CRecordApp &) = delete;
    CRecordApp &operator=(const CRecordApp &) = delete;

    // The language identifier of a locale: 0x0804 for zh_CN, 0x0404 for zh_TW,
    // 0x0409 for en_US, 0 for any other.
    static int languageOf(const QLocale &locale);

    int OpenDlg(int x, int y, int width, int height);
    void SetDlgPos(int x, int y);
    void ShowDlgHide(int showCommand);
    // The host's card went away (it hides the recorder next): a take that
    // runs ends and is kept, and the user is told.
    void DeviceRemoved();

    bool simplifiedChineseFlag() const { return simplifiedChinese_; }
    bool englishTextFlag() const { return englishText_; }
    // The recorder's message-box routine.
    MessageBoxes &messages() { return *messages_; }
    CMixerSet2Dlg *dialog() const { return dialog_; }

private:
    void InitInstance(int systemLanguage);
    void ExitInstance();
    RecorderServices servicesForWindow();

    bool simplifiedChinese_ = true;
    bool englishText_ = false;
    int lastVisibility_ = 1;
    std::unique_ptr<ChineseText> conversion_;
    std::unique_ptr<LibraryServices> library_;
    std::unique_ptr<MessageBoxes> messages_;
    std::optional<RecorderServices> services_;
    QPointer<CMixerSet2Dlg> dialog_;
};
