// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelProgram.h"

#include "AfterFirstPaint.h"
#include "HidControlLibrary.h"

PanelProgram::PanelProgram(PanelEnvironment environment)
    : environment_(std::move(environment)), session_(sessionSetup(environment_)),
      window_(session_, environment_.messages), dock_(window_, session_),
      visibility_(window_, tray_), autostart_(environment_.autostartFolder),
      options_(PresetFiles(environment_.settingsFolder).settingFile()),
      desktop_(session_, visibility_, options_)
{
    QObject::connect(&window_, &CVarnelDlg::recordClicked, &dock_, &RecorderDock::toggle);
    QObject::connect(&dock_, &RecorderDock::shownChanged, &window_,
                     &CVarnelDlg::showRecorderShown);
    QObject::connect(&desktop_, &DesktopServices::sleeping, &window_, [this] { dock_.endTake(); });
}

PanelProgram::~PanelProgram() = default;

HidCardSession::Setup PanelProgram::sessionSetup(const PanelEnvironment &environment)
{
    HidCardSession::Setup setup;
    setup.programFolder = environment.programFolder;
    setup.settingsFolder = environment.settingsFolder;
    setup.timing = environment.timing;
    setup.notifier = environment.notifier;
    setup.audioDefaults = environment.audioDefaults;
    setup.player = environment.player;
    return setup;
}

bool PanelProgram::initialise()
{
    if (!session_.loadLibrary()) {
        window_.showMessage(
            CVarnelDlg::libraryLoadFailure(QString::fromLatin1(HidControlLibrary::kFileName)));
        return false;
    }
    if (!RecorderDock::isPresent(environment_.programFolder)) {
        recorderMissing();
        return false;
    }
    window_.move(0, 0);
    const MenuTemplate *menu = window_.dialogTemplate().menu(TrayMenu::kMenuId);
    tray_.setActivationHandler([this] { visibility_.toggle(); });
    tray_.setAddedHandler([this] { visibility_.trayAdded(); });
    tray_.Create(QString::fromLatin1(TrayMenu::kTooltipTitle), window_.icon(),
                 menu ? *menu : MenuTemplate{});
    trayMenu_ = std::make_unique<TrayMenu>(tray_, session_, window_, visibility_, autostart_,
                                           options_, environment_.programFolder);
    return true;
}

void PanelProgram::recorderMissing()
{
    window_.showMessage(
        CVarnelDlg::libraryLoadFailure(QString::fromLatin1(RecorderDock::kFileName)));
}

void PanelProgram::showAtStart(bool hidden)
{
    visibility_.showAtStart(hidden);
    AfterFirstPaint::run(window_, [this] {
        // Opening the card paces its first exchange with a pause on this
        // thread: the window shows first.
        session_.start();
        if (!dock_.load(environment_.programFolder)) {
            recorderMissing();
            window_.exitProgram();
            return;
        }
        session_.makeMissingFiles();
        tray_.appear();
        desktop_.start();
    });
}
