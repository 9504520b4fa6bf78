// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkerBridge.h"

#include <QMetaObject>
#include <QProgressBar>

#include <algorithm>
#include <climits>

namespace {
int clampToInt(std::uint64_t value)
{
    return int(std::min<std::uint64_t>(value, INT_MAX));
}
} // namespace

void WorkerBridge::Gate::close()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

bool WorkerBridge::onWindow(std::function<void()> work)
{
    struct Call {
        bool started = false;
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    const std::shared_ptr<Gate> gate = gate_;
    {
        const std::lock_guard<std::mutex> lock(gate->mutex_);
        if (gate->closed_)
            return false;
    }
    QMetaObject::invokeMethod(
        window_,
        [gate, call, work = std::move(work)] {
            {
                const std::lock_guard<std::mutex> lock(gate->mutex_);
                if (gate->closed_)
                    return; // the worker has stopped waiting: what work refers to may be gone
                call->started = true;
            }
            work();
            {
                const std::lock_guard<std::mutex> lock(gate->mutex_);
                call->done = true;
            }
            gate->changed_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(gate->mutex_);
    gate->changed_.wait(lock, [&] { return call->done || (gate->closed_ && !call->started); });
    return call->done;
}

std::optional<SaveFileDialog::Choice>
WorkerBridge::askSavePath(const std::string &title, const std::vector<std::string> &filters)
{
    std::optional<Choice> choice;
    onWindow([&] { choice = dialog_.askSavePath(title, filters); });
    return choice;
}

void WorkerBridge::inform(const std::string &text, const std::string &caption)
{
    onWindow([&] { messages_.inform(text, caption); });
}

bool WorkerBridge::ask(const std::string &text, const std::string &caption)
{
    bool answer = false;
    onWindow([&] { answer = messages_.ask(text, caption); });
    return answer;
}

void WorkerBridge::setRange(std::uint64_t total)
{
    total_ = total;
    shownStep_ = ~std::uint64_t(0);
    QProgressBar *bar = progress_;
    const int maximum = clampToInt(total);
    QMetaObject::invokeMethod(
        bar, [bar, maximum] { bar->setRange(0, maximum); }, Qt::QueuedConnection);
}

void WorkerBridge::setDone(std::uint64_t done)
{
    const std::uint64_t step = total_ > 0 ? done * 1000 / total_ : 1000;
    if (step == shownStep_ && done < total_)
        return;
    shownStep_ = step;
    QProgressBar *bar = progress_;
    const int value = clampToInt(done);
    QMetaObject::invokeMethod(
        bar, [bar, value] { bar->setValue(value); }, Qt::QueuedConnection);
}
