// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorWindow.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstring>

namespace {

const QEvent::Type kMonitorEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class MonitorEvent : public QEvent {
public:
    MonitorEvent(unsigned int message, std::uintptr_t wParam,
                 const std::optional<InputReport::Words> &words)
        : QEvent(kMonitorEventType), message(message), wParam(wParam), words(words)
    {
    }
    unsigned int message;
    std::uintptr_t wParam;
    std::optional<InputReport::Words> words;
};

} // namespace

MonitorWindow::MonitorWindow(Handler handler, QObject *parent)
    : QObject(parent), handler_(std::move(handler))
{
    bridge_.postMessage = &MonitorWindow::post;
    bridge_.owner = this;
}

void MonitorWindow::post(SnxWindow *window, unsigned int message, std::uintptr_t wParam,
                         std::intptr_t lParam)
{
    // lParam only points at report words for an input report; any other
    // wParam may carry anything, so nothing is read through it.
    std::optional<InputReport::Words> words;
    if (wParam == SNX_INPUT_REPORT_WPARAM && lParam != 0) {
        words.emplace();
        std::memcpy(words->data(), reinterpret_cast<const void *>(lParam),
                    sizeof(InputReport::Words));
    }
    auto *self = static_cast<Bridge *>(window)->owner;
    QCoreApplication::postEvent(self, new MonitorEvent(message, wParam, words));
}

bool MonitorWindow::event(QEvent *event)
{
    if (event->type() != kMonitorEventType)
        return QObject::event(event);
    const auto *monitor = static_cast<MonitorEvent *>(event);
    if (handler_)
        handler_(monitor->message, monitor->wParam, monitor->words);
    return true;
}
