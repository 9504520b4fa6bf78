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

std::optional<SaveFileDialog::Choice>
WorkerBridge::askSavePath(const std::string &title, const std::vector<std::string> &filters)
{
    std::optional<Choice> choice;
    QMetaObject::invokeMethod(
        window_, [&] { choice = dialog_.askSavePath(title, filters); },
        Qt::BlockingQueuedConnection);
    return choice;
}

void WorkerBridge::inform(const std::string &text, const std::string &caption)
{
    QMetaObject::invokeMethod(
        window_, [&] { messages_.inform(text, caption); }, Qt::BlockingQueuedConnection);
}

bool WorkerBridge::ask(const std::string &text, const std::string &caption)
{
    bool answer = false;
    QMetaObject::invokeMethod(
        window_, [&] { answer = messages_.ask(text, caption); }, Qt::BlockingQueuedConnection);
    return answer;
}

void WorkerBridge::setRange(std::uint64_t total)
{
    QProgressBar *bar = progress_;
    const int maximum = clampToInt(total);
    QMetaObject::invokeMethod(
        bar, [bar, maximum] { bar->setRange(0, maximum); }, Qt::QueuedConnection);
}

void WorkerBridge::setDone(std::uint64_t done)
{
    QProgressBar *bar = progress_;
    const int value = clampToInt(done);
    QMetaObject::invokeMethod(
        bar, [bar, value] { bar->setValue(value); }, Qt::QueuedConnection);
}
