// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidrawCard.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

// Reports an open file holds before the newest are dropped (hidraw's list).
constexpr std::size_t kQueuedReports = 64;
// hidraw refuses writes shorter than a report id and one byte.
constexpr std::size_t kShortestWrite = 2;
constexpr auto kAwaitLimit = std::chrono::seconds(10);

} // namespace

HidrawCard &HidrawCard::instance()
{
    static HidrawCard card;
    return card;
}

void HidrawCard::reset()
{
    std::lock_guard lock(mutex_);
    present_ = true;
    openError_ = 0;
    holdWrites_ = false;
    microcontroller_.reset();
    inputLength_ = kReportLength;
    reportId_ = 0;
    silentInterface_ = false;
    received_.clear();
    handed_.clear();
    silentWrites_ = 0;
    initCount_ = 0;
    exitCount_ = 0;
    changed_.notify_all();
}

void HidrawCard::plug()
{
    std::lock_guard lock(mutex_);
    present_ = true;
}

void HidrawCard::unplug()
{
    std::lock_guard lock(mutex_);
    present_ = false;
    for (File *file : files_)
        file->removed = true;
    changed_.notify_all();
}

void HidrawCard::refuseOpens(int error)
{
    std::lock_guard lock(mutex_);
    openError_ = error;
}

void HidrawCard::holdWrites(bool hold)
{
    std::lock_guard lock(mutex_);
    holdWrites_ = hold;
    changed_.notify_all();
}

void HidrawCard::sendInputReport(const Bytes &bytes)
{
    std::lock_guard lock(mutex_);
    deliverLocked(bytes);
}

void HidrawCard::sendStateReport(const Microcontroller::Block &block)
{
    std::lock_guard lock(mutex_);
    sendLocked(Microcontroller::stateReport(block));
}

Microcontroller::Block HidrawCard::block() const
{
    std::lock_guard lock(mutex_);
    return microcontroller_.block();
}

void HidrawCard::setBlock(const Microcontroller::Block &block)
{
    std::lock_guard lock(mutex_);
    microcontroller_.setBlock(block);
}

void HidrawCard::setAnswerMode(int mode)
{
    std::lock_guard lock(mutex_);
    microcontroller_.setAnswerMode(mode);
}

void HidrawCard::setInputReportLength(std::size_t length)
{
    std::lock_guard lock(mutex_);
    inputLength_ = length;
}

void HidrawCard::setReportId(std::uint8_t id)
{
    std::lock_guard lock(mutex_);
    reportId_ = id;
}

void HidrawCard::addSilentInterface(unsigned short usagePage, bool listedFirst)
{
    std::lock_guard lock(mutex_);
    silentInterface_ = true;
    silentUsagePage_ = usagePage;
    silentListedFirst_ = listedFirst;
}

std::vector<HidrawCard::Bytes> HidrawCard::receivedReports() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<HidrawCard::Bytes> HidrawCard::handedToWrite() const
{
    std::lock_guard lock(mutex_);
    return handed_;
}

int HidrawCard::silentWrites() const
{
    std::lock_guard lock(mutex_);
    return silentWrites_;
}

int HidrawCard::openFiles() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(files_.size());
}

int HidrawCard::readsWaiting() const
{
    std::lock_guard lock(mutex_);
    return readsWaiting_;
}

int HidrawCard::writesWaiting() const
{
    std::lock_guard lock(mutex_);
    return writesWaiting_;
}

int HidrawCard::initCount() const
{
    std::lock_guard lock(mutex_);
    return initCount_;
}

int HidrawCard::exitCount() const
{
    std::lock_guard lock(mutex_);
    return exitCount_;
}

bool HidrawCard::awaitReader() const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kAwaitLimit, [this] { return readsWaiting_ > 0; });
}

bool HidrawCard::awaitWriter() const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kAwaitLimit, [this] { return writesWaiting_ > 0; });
}

bool HidrawCard::present() const
{
    std::lock_guard lock(mutex_);
    return present_;
}

std::vector<HidrawCard::Node> HidrawCard::nodes() const
{
    std::lock_guard lock(mutex_);
    if (!present_)
        return {};
    std::vector<Node> nodes{{kPath, kUsagePage, kInterfaceNumber}};
    if (silentInterface_) {
        const Node silent{kSilentPath, silentUsagePage_, 0};
        nodes.insert(silentListedFirst_ ? nodes.begin() : nodes.end(), silent);
    }
    return nodes;
}

HidrawCard::File *HidrawCard::open(const char *path, int &error)
{
    std::lock_guard lock(mutex_);
    const bool control = path && std::strcmp(path, kPath) == 0;
    const bool silent = silentInterface_ && path && std::strcmp(path, kSilentPath) == 0;
    if (!present_ || !(control || silent)) {
        error = ENOENT;
        return nullptr;
    }
    if (openError_ != 0) {
        error = openError_;
        return nullptr;
    }
    files_.push_back(new File{{}, false, silent});
    return files_.back();
}

void HidrawCard::close(File *file)
{
    std::lock_guard lock(mutex_);
    files_.erase(std::remove(files_.begin(), files_.end(), file), files_.end());
    delete file;
}

int HidrawCard::read(File &file, unsigned char *data, std::size_t length, int timeoutMs, int &error)
{
    std::unique_lock lock(mutex_);
    const auto ready = [&file] { return file.removed || !file.reports.empty(); };
    ++readsWaiting_;
    changed_.notify_all();
    if (timeoutMs < 0)
        changed_.wait(lock, ready);
    else
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    --readsWaiting_;
    if (file.removed) {
        error = EIO;
        return -1;
    }
    if (file.reports.empty())
        return 0;
    const Bytes report = std::move(file.reports.front());
    file.reports.pop_front();
    const std::size_t copied = std::min(length, report.size());
    std::copy_n(report.begin(), copied, data);
    return static_cast<int>(copied);
}

int HidrawCard::write(File &file, const unsigned char *data, std::size_t length, int &error)
{
    std::unique_lock lock(mutex_);
    ++writesWaiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return file.removed || !holdWrites_; });
    --writesWaiting_;
    if (file.removed) {
        error = ENODEV;
        return -1;
    }
    if (length < kShortestWrite) {
        error = EINVAL;
        return -1;
    }
    if (file.silent) {
        ++silentWrites_;
        return static_cast<int>(length);
    }
    handed_.emplace_back(data, data + length);
    if (reportId_ != 0 && data[0] != reportId_) {
        error = EPIPE;
        return -1;
    }
    // Report id 0 is not sent: the card numbers no reports.
    const std::size_t skipped = data[0] == 0 ? 1 : 0;
    const Bytes wire(data + skipped, data + length);
    received_.push_back(wire);

    // A numbered report's id is not the microcontroller's business.
    const std::size_t payload = reportId_ != 0 ? 1 : 0;
    Microcontroller::Report output{};
    std::copy_n(wire.begin() + payload, std::min(wire.size() - payload, kReportLength),
                output.begin() + 1);
    if (const auto answer = microcontroller_.receive(output))
        sendLocked(*answer);
    return static_cast<int>(length);
}

void HidrawCard::noteInit()
{
    std::lock_guard lock(mutex_);
    ++initCount_;
}

void HidrawCard::noteExit()
{
    std::lock_guard lock(mutex_);
    ++exitCount_;
}

void HidrawCard::sendLocked(const Microcontroller::Report &report)
{
    Bytes bytes(report.begin() + 1, report.end());
    bytes.resize(inputLength_);
    if (reportId_ != 0)
        bytes.insert(bytes.begin(), reportId_);
    deliverLocked(bytes);
}

void HidrawCard::deliverLocked(const Bytes &bytes)
{
    if (!present_)
        return;
    for (File *file : files_) {
        if (!file->removed && !file->silent && file->reports.size() < kQueuedReports)
            file->reports.push_back(bytes);
    }
    changed_.notify_all();
}
