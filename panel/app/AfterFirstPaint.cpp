// SPDX-License-Identifier: GPL-3.0-or-later
#include "AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

void AfterFirstPaint::run(QWidget &window, std::function<void()> task)
{
    if (!window.isVisible() || window.isMinimized()) {
        task();
        return;
    }
    new AfterFirstPaint(window, std::move(task));
}

AfterFirstPaint::AfterFirstPaint(QWidget &window, std::function<void()> task)
    : QObject(&window), task_(std::move(task))
{
    window.installEventFilter(this);
}

// The paint itself comes first; the task runs once it is done.
bool AfterFirstPaint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            task_();
            deleteLater();
        });
    }
    return false;
}
