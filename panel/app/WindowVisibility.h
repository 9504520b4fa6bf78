// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelWindowTarget.h"
#include "WindowPresence.h"

#include <QObject>
#include <QString>

class CTrayIcon;
class CVarnelDlg;

// Where the main window goes and how it comes back: shown and raised, into
// the notification area, or minimised on the taskbar where there is none;
// and what the close box and minimise do. It asks whether there is a
// notification area and changes nothing there. The recorder follows the
// window by itself (RecorderDock).
class WindowVisibility : public QObject, public PanelWindowTarget, public WindowPresence {
public:
    WindowVisibility(CVarnelDlg &window, CTrayIcon &tray);

    // The one way the window comes back (tray, menu, another start, a
    // command): shown, raised, the recorder as the user left it. An
    // activation token from another start lets a Wayland compositor give it
    // the focus.
    void bringToFront(const QString &activationToken = {});
    // Into the notification area, the recorder with it.
    void hideToTray();
    // The tray icon's click, its menu's first item, a global shortcut.
    void toggle() override;
    // As the program starts: hidden, it waits in the tray, or minimised
    // where there is no tray.
    void showAtStart(bool hidden);
    // Shown and not minimised.
    bool isShown() const override;
    bool isActive() const override;
    // A notification area came after the window was minimised for want of
    // one: it takes the window, as it would have at the minimise.
    void trayAdded();

    // PanelWindowTarget
    void showWindow(const std::string &activationToken) override;
    void hideWindow() override;
    void quitProgram() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void minimised();

    CVarnelDlg &window_;
    CTrayIcon &tray_;
};
