// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayMenu.h"

#include "AutostartEntry.h"
#include "CTrayIcon.h"
#include "CVarnelDlg.h"
#include "CardSession.h"
#include "CardStatusText.h"
#include "WindowVisibility.h"

#include <QAction>
#include <QEvent>
#include <QMenu>

#include <algorithm>

TrayMenu::TrayMenu(CTrayIcon &tray, CardSession &session, CVarnelDlg &window,
                   WindowVisibility &visibility, AutostartEntry &autostart, DesktopOptions &options,
                   std::filesystem::path programFolder)
    : tray_(tray), session_(session), window_(window), visibility_(visibility),
      autostart_(autostart), options_(options), programFolder_(std::move(programFolder))
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
        showHide->setText(visibility_.isShown() ? QStringLiteral("&Hide Orlenta")
                                                : QStringLiteral("&Show Orlenta"));
    if (QAction *login = tray_.item(kStartAtLoginItem))
        login->setChecked(autostart_.isEnabled());
    const PanelState &shown = session_.shown();
    for (std::size_t i = 0; i < kPresetItems.size(); ++i) {
        QAction *preset = tray_.item(kPresetItems[i]);
        if (!preset)
            continue;
        preset->setChecked(shown.preset() == static_cast<int>(i) + 1);
        preset->setEnabled(shown.takesPreset(int(i) + 1));
    }
    updateOptions();
    updateStatus();
}

void TrayMenu::updateOptions()
{
    const bool notifications = options_.isOn(Option::Notifications);
    for (const auto &[id, option] : kOptionItems) {
        QAction *item = tray_.item(id);
        if (!item)
            continue;
        item->setChecked(options_.isOn(option));
        // Each kind keeps its mark while all are off, ready for when they are on.
        const bool kind = option != Option::Notifications && option != Option::RestorePreset;
        item->setEnabled(!kind || notifications);
    }
}

void TrayMenu::updateStatus()
{
    const CardState card = session_.cardState();
    tray_.showStatus(CardStatusText::iconName(card, session_.shown()),
                     QString::fromLatin1(kTooltipTitle) + QLatin1Char('\n') +
                         CardStatusText::line(card, session_.shown()));
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
    for (const auto &[id, option] : kOptionItems)
        if (item == id)
            setOption(option, checked);
    update();
}

// Exactly what a click on the preset button does, and nothing while the
// button takes no clicks.
void TrayMenu::loadPreset(int preset)
{
    if (session_.shown().takesPreset(preset))
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

// The check mark shows what setting.ini keeps, whatever happened.
void TrayMenu::setOption(Option option, bool on)
{
    if (const std::error_code failure = options_.set(option, on))
        window_.showMessage(QStringLiteral("Orlenta could not save the option in setting.ini: %1")
                                .arg(QString::fromStdString(failure.message())));
}

bool TrayMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &window_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
                                event->type() == QEvent::WindowStateChange))
        update();
    return false;
}
