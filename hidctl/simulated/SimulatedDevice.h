// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Microcontroller.h"
#include "ReportPoster.h"
#include "SnxApi.h"

#include <chrono>
#include <mutex>
#include <vector>

// The simulated sound card as the C interface sees it: plugged or not, opened
// or not, its microcontroller, the log of every output report it took, and the
// monitor that posts its input reports. Every operation locks, so tests may
// steer it from their own thread while the poster posts.
class SimulatedDevice {
public:
    using Block = Microcontroller::Block;
    using Report = Microcontroller::Report;

    static SimulatedDevice &instance();

    SimulatedDevice();

    bool findDevice(unsigned short vendorId, unsigned short productId);
    int lastOpenError() const;
    bool devicePresent(unsigned short vendorId, unsigned short productId) const;
    void closeDevice();
    void openMonitor(SnxWindow *window);
    void closeMonitor();
    void setMonitorMessage(unsigned int message);
    unsigned short vendorId() const;
    unsigned short productId() const;
    bool receiveOutputReport(const unsigned char *report, int length);

    void reset();
    void plug();
    void unplug();
    bool plugged() const;
    void setAccessDenied(bool denied);
    void setAnswerMode(int mode);
    void setAnswerDelay(int milliseconds);
    Block block() const;
    void setBlock(const Block &block);
    void injectStateReport(const Block &block);
    void injectRawReport(const unsigned char *report, int length);
    int outputReportCount() const;
    bool outputReport(int index, unsigned char *report) const;
    void clearOutputReports();

private:
    static constexpr std::chrono::milliseconds kDefaultAnswerDelay{2};

    bool matches(unsigned short vendorId, unsigned short productId) const;
    void closeDeviceLocked();
    void setBlockLocked(const Block &block);

    mutable std::mutex mutex_;
    Microcontroller controller_;
    ReportPoster poster_;
    std::vector<Report> outputReports_;
    std::chrono::milliseconds answerDelay_ = kDefaultAnswerDelay;
    bool plugged_ = true;
    bool accessDenied_ = false;
    int lastOpenError_ = 0;
    bool open_ = false;
};
