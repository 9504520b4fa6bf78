// SPDX-License-Identifier: GPL-3.0-or-later
#include "AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

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
    latest_.setSingleShot(true);
    connect(&latest_, &QTimer::timeout, this, [this] { runOnce(); });
    latest_.start(kLatestMs);
}

void AfterFirstPaint::runOnce()
{
    if (!task_)
        return;
    parent()->removeEventFilter(this);
    latest_.stop();
    std::exchange(task_, nullptr)();
    deleteLater();
}

// The paint itself comes first; the task runs once it is done.
bool AfterFirstPaint::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::Paint)
        QTimer::singleShot(0, this, [this] { runOnce(); });
    return false;
}
