// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Runs a task once a window has painted its first frame, or at once when the
// window is not shown: for start-up work that need not hold the window back.
// A window the desktop never lets paint (kept iconic, say) holds the task
// back kLatestMs at most.
class AfterFirstPaint : public QObject {
public:
    static constexpr int kLatestMs = 500;

    static void run(QWidget &window, std::function<void()> task);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AfterFirstPaint(QWidget &window, std::function<void()> task);
    void runOnce();

    std::function<void()> task_;
    QTimer latest_;
};
