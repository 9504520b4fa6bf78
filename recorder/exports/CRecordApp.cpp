// SPDX-License-Identifier: GPL-3.0-or-later
#include "CRecordApp.h"

#include "BufferFile.h"
#include "CMixerSet2Dlg.h"
#include "LibraryServices.h"

#include <QCoreApplication>
#include <QLocale>

CRecordApp::CRecordApp(int systemLanguage, std::optional<RecorderServices> services)
    : services_(std::move(services))
{
    InitInstance(systemLanguage);
}

CRecordApp::~CRecordApp()
{
    ExitInstance();
}

int CRecordApp::languageOf(const QLocale &locale)
{
    if (locale.language() == QLocale::Chinese) {
        if (locale.territory() == QLocale::China)
            return kSimplifiedChinese;
        if (locale.territory() == QLocale::Taiwan)
            return kTraditionalChinese;
    }
    if (locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates)
        return kEnglishUs;
    return 0;
}

void CRecordApp::InitInstance(int systemLanguage)
{
    // There are no translated texts to switch the thread's language to: the
    // flags alone decide, and the English texts show in every case.
    if (systemLanguage != kSimplifiedChinese)
        simplifiedChinese_ = false;
    englishText_ = true;
    conversion_ = std::make_unique<ChineseText>(simplifiedChinese_);
}

void CRecordApp::ExitInstance()
{
    // Unloaded while the host still runs: the window goes with the library,
    // and a take that runs is ended and completed first. At process exit,
    // after the host's application object is gone, the window system is gone
    // too and nothing is left to destroy; a take then keeps the header it got
    // within its last second, and the next run's window makes it whole.
    if (dialog_ && QCoreApplication::instance())
        delete dialog_.data();
}

RecorderServices CRecordApp::servicesForWindow()
{
    if (services_) {
        messages_ = std::make_unique<ConvertingMessageBoxes>(services_->messages, *conversion_);
        return RecorderServices{services_->capture, services_->player, services_->devices,
                                *messages_,         services_->folder, services_->saveDialog};
    }
    library_ = std::make_unique<LibraryServices>();
    messages_ = std::make_unique<ConvertingMessageBoxes>(library_->boxes, *conversion_);
    return RecorderServices{library_->capture, library_->player, library_->devices, *messages_,
                            BufferFile::defaultFolder()};
}

int CRecordApp::OpenDlg(int x, int y, int, int)
{
    if (dialog_) {
        dialog_->setVisible(!dialog_->isVisible());
        lastVisibility_ = dialog_->isVisible() ? 1 : 0;
        dialog_->refillDeviceLists();
        return lastVisibility_;
    }
    dialog_ = new CMixerSet2Dlg(servicesForWindow(), x, y);
    if (library_)
        library_->boxes.setOwner(dialog_);
    dialog_->show();
    return lastVisibility_;
}

void CRecordApp::SetDlgPos(int x, int y)
{
    if (dialog_)
        dialog_->dock(x, y);
}

void CRecordApp::DeviceRemoved()
{
    if (dialog_)
        dialog_->deviceRemoved();
}

void CRecordApp::ShowDlgHide(int showCommand)
{
    if (!dialog_)
        return;
    // 0 hides; every other show command shows the window as it was.
    const int command = showCommand == -1 ? lastVisibility_ : showCommand;
    dialog_->setVisible(command != 0);
}
