// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

class QToolButton;

// An up-down control without a buddy: two arrow buttons that only say "up"
// or "down". Its range is kept but steps nothing. It takes no focus: the keys
// belong to the edit box it stands beside, which a screen reader presents
// together with it as one spin box.
class UpDownControl : public QWidget {
public:
    explicit UpDownControl(QWidget *parent = nullptr);

    void setStepHandler(std::function<void(int delta)> handler) { handler_ = std::move(handler); }
    void setRange(int low, int high);
    int low() const { return low_; }
    int high() const { return high_; }

    QToolButton *upButton() const { return up_; }
    QToolButton *downButton() const { return down_; }

    // What a click does, by delta steps (negative: down).
    void step(int delta);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *up_;
    QToolButton *down_;
    std::function<void(int)> handler_;
    int low_ = 0;
    int high_ = 100;
};
