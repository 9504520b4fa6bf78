// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowAdoption.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

WindowAdoption::WindowAdoption(QWidget *host) : host_(host)
{
    QCoreApplication::instance()->installEventFilter(this);
}

WindowAdoption::~WindowAdoption()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

// A widget gets its show event before its window is mapped, so the tie is
// there when the window system first hears of the window.
bool WindowAdoption::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (!widget->isWindow() || widget == host_ || !widget->windowHandle())
        return false;
    adopted_ = widget;
    host_->winId();
    QWindow *parent = host_->windowHandle();
    if (widget->windowHandle()->transientParent() != parent)
        widget->windowHandle()->setTransientParent(parent);
    return false;
}
