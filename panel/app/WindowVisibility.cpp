// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowVisibility.h"

#include "CTrayIcon.h"
#include "CVarnelDlg.h"
#include "LogCategories.h"

#include <QEvent>
#include <QTimer>

WindowVisibility::WindowVisibility(CVarnelDlg &window, CTrayIcon &tray)
    : window_(window), tray_(tray)
{
    window_.installEventFilter(this);
}

void WindowVisibility::bringToFront(const QString &activationToken)
{
    // Where Qt activates windows through xdg-activation, it takes the token
    // from the environment; without one it asks the compositor for its own.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void WindowVisibility::hideToTray()
{
    window_.hide();
}

void WindowVisibility::toggle()
{
    if (isShown())
        hideToTray();
    else
        bringToFront();
}

void WindowVisibility::showAtStart(bool hidden)
{
    if (!hidden)
        window_.show();
    else if (!CTrayIcon::isAvailable())
        window_.showMinimized();
    qCDebug(lcTray) << "the window starts"
                    << (!hidden                 ? "shown"
                        : window_.isMinimized() ? "minimised, with no tray to hide in"
                                                : "hidden in the tray");
}

bool WindowVisibility::isShown() const
{
    return window_.isVisible() && !window_.isMinimized();
}

bool WindowVisibility::isActive() const
{
    return isShown() && window_.isActiveWindow();
}

void WindowVisibility::trayAdded()
{
    if (window_.isVisible() && window_.isMinimized())
        minimised();
}

void WindowVisibility::showWindow(const std::string &activationToken)
{
    bringToFront(QString::fromStdString(activationToken));
}

void WindowVisibility::hideWindow()
{
    if (CTrayIcon::isAvailable())
        hideToTray();
    else
        window_.showMinimized();
}

// The program must end only after the command's reply has gone out.
void WindowVisibility::quitProgram()
{
    QTimer::singleShot(0, &window_, [this] { window_.exitProgram(); });
}

// Minimised with a notification area, the window goes there; without one it
// stays on the taskbar. It is restored before it hides: on X11 restoring a
// window maps it, hidden or not.
void WindowVisibility::minimised()
{
    if (!CTrayIcon::isAvailable())
        return;
    qCDebug(lcTray) << "minimised: the window goes to the tray";
    window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
    hideToTray();
}

// Without a notification area there is no way back to a hidden window, so
// the close box then ends the program, as Exit does.
bool WindowVisibility::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &window_)
        return false;
    if (event->type() == QEvent::Close) {
        event->ignore();
        if (CTrayIcon::isAvailable())
            hideToTray();
        else
            window_.exitProgram();
        return true;
    }
    if (event->type() == QEvent::WindowStateChange && window_.isMinimized())
        QTimer::singleShot(0, this, [this] {
            if (window_.isMinimized())
                minimised();
        });
    return false;
}
