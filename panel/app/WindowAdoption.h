// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// While it lives, every other top-level window that shows itself becomes a
// transient child of the host window, just before it reaches the window
// system. The recorder library makes its window on its own, with no word of
// who opened it; adopted, it is tied to the main window explicitly, so a
// compositor that places, stacks and minimises windows itself (Wayland)
// treats the two as one.
class WindowAdoption : public QObject {
public:
    explicit WindowAdoption(QWidget *host);
    ~WindowAdoption() override;
    WindowAdoption(const WindowAdoption &) = delete;
    WindowAdoption &operator=(const WindowAdoption &) = delete;

    // The last window tied to the host, or null.
    QWidget *adopted() const { return adopted_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *host_;
    QPointer<QWidget> adopted_;
};
