// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputReport.h"
#include "SnxApi.h"

#include <QObject>

#include <functional>
#include <optional>

// The window the HID control library posts to. Its reader thread calls
// postMessage; the message is copied into an event and handled on this
// object's thread, in arrival order.
class MonitorWindow : public QObject {
public:
    // words is empty unless wParam announces an input report.
    using Handler = std::function<void(unsigned int message, std::uintptr_t wParam,
                                       const std::optional<InputReport::Words> &words)>;

    explicit MonitorWindow(Handler handler, QObject *parent = nullptr);

    SnxWindow *window() { return &bridge_; }

protected:
    bool event(QEvent *event) override;

private:
    struct Bridge : SnxWindow {
        MonitorWindow *owner = nullptr;
    };
    static void post(SnxWindow *window, unsigned int message, std::uintptr_t wParam,
                     std::intptr_t lParam);

    Handler handler_;
    Bridge bridge_;
};
