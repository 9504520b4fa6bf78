// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayMenu.h"

#include "AutostartEntry.h"
#include "CTrayIcon.h"
#include "CVarnelDlg.h"
#include "CardSession.h"
#include "ControlIds.h"
#include "WindowVisibility.h"

#include <QAction>
#include <QEvent>
#include <QMenu>

#include <algorithm>

TrayMenu::TrayMenu(CTrayIcon &tray, CardSession &session, CVarnelDlg &window,
                   WindowVisibility &visibility, AutostartEntry &autostart,
                   std::filesystem::path programFolder)
    : tray_(tray), session_(session), window_(window), visibility_(visibility),
      autostart_(autostart), programFolder_(std::move(programFolder))
{
    tray_.setItemHandler([this](int item, bool checked) { chosen(item, checked); });
    connect(tray_.menu(), &QMenu::aboutToShow, this, [this] { update(); });
    connect(&session_, &CardSession::changed, this, [this] { update(); });
    window_.installEventFilter(this);
    update();
}

void TrayMenu::update()
{
    if (QAction *showHide = tray_.item(kShowHideItem))
        showHide->setText(visibility_.isShown() ? QStringLiteral("Hide Orlenta")
                                                : QStringLiteral("Show Orlenta"));
    if (QAction *login = tray_.item(kStartAtLoginItem))
        login->setChecked(autostart_.isEnabled());
    const PanelState &shown = session_.shown();
    for (std::size_t i = 0; i < kPresetItems.size(); ++i) {
        QAction *preset = tray_.item(kPresetItems[i]);
        if (!preset)
            continue;
        preset->setChecked(shown.preset() == static_cast<int>(i) + 1);
        preset->setEnabled(shown.isEnabled(ControlId::kPresetButtons[i]));
    }
}

void TrayMenu::chosen(int item, bool checked)
{
    const auto preset = std::find(kPresetItems.begin(), kPresetItems.end(), item);
    if (preset != kPresetItems.end())
        loadPreset(static_cast<int>(preset - kPresetItems.begin()) + 1);
    else if (item == kShowHideItem)
        visibility_.toggle();
    else if (item == kStartAtLoginItem)
        setStartAtLogin(checked);
    else if (item == kExitItem)
        window_.exitProgram();
    update();
}

// Exactly what a click on the preset button does, and nothing while the
// button takes no clicks.
void TrayMenu::loadPreset(int preset)
{
    const int button = ControlId::kPresetButtons[static_cast<std::size_t>(preset - 1)];
    if (session_.shown().isEnabled(button))
        session_.loadPreset(preset, {});
}

// The same entry as `orlenta autostart on` writes. The check mark shows
// what is on disk, whatever happened.
void TrayMenu::setStartAtLogin(bool on)
{
    std::string error;
    const bool changed = on ? autostart_.enable(AutostartEntry::commandFor(programFolder_), error)
                            : autostart_.disable(error);
    if (!changed)
        window_.showMessage(
            QStringLiteral("Orlenta could not change whether it starts at login: %1")
                .arg(QString::fromStdString(error)));
}

bool TrayMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &window_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
                                event->type() == QEvent::WindowStateChange))
        update();
    return false;
}
