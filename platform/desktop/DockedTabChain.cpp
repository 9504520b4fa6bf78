// SPDX-License-Identifier: GPL-3.0-or-later
#include "DockedTabChain.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

namespace {
bool isDocked(const QWidget &window)
{
    return window.windowType() == Qt::Tool &&
           window.windowFlags().testFlag(Qt::FramelessWindowHint);
}

bool isShown(const QWidget *window)
{
    return window && window->isVisible() && !window->isMinimized();
}

QWidget *widgetOf(const QWindow *window)
{
    if (!window)
        return nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window)
            return widget;
    return nullptr;
}

// Where Tab stops, as Qt's own focus chain has it.
bool takesTab(const QWidget &window, const QWidget *widget)
{
    return widget != &window && (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
           widget->isEnabled() && widget->isVisibleTo(&window) && !widget->focusProxy() &&
           widget->window() == &window;
}

// The next control Tab (or Shift+Tab) reaches from `from` before the chain
// comes round to the window itself, or none: the focus would wrap.
QWidget *nextStop(const QWidget &window, QWidget *from, bool next)
{
    for (QWidget *widget = next ? from->nextInFocusChain() : from->previousInFocusChain();
         widget && widget != &window;
         widget = next ? widget->nextInFocusChain() : widget->previousInFocusChain())
        if (takesTab(window, widget))
            return widget;
    return nullptr;
}

// The partner shown docked to the window, or none.
QWidget *partnerOf(const QWidget &window)
{
    if (isDocked(window)) {
        QWidget *host =
            widgetOf(window.windowHandle() ? window.windowHandle()->transientParent() : nullptr);
        return isShown(host) ? host : nullptr;
    }
    if (!window.windowHandle())
        return nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget != &window && isDocked(*widget) && isShown(widget) && widget->windowHandle() &&
            widget->windowHandle()->transientParent() == window.windowHandle())
            return widget;
    return nullptr;
}
} // namespace

bool DockedTabChain::handOver(QWidget &window, bool next)
{
    QWidget *partner = partnerOf(window);
    QWidget *from = window.focusWidget() ? window.focusWidget() : &window;
    if (!partner || nextStop(window, from, next))
        return false;
    QWidget *entry = nextStop(*partner, partner, next);
    if (!entry)
        return false;
    entry->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    partner->activateWindow();
    return true;
}
