// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SnxApi.h"

#include <atomic>
#include <memory>
#include <thread>

class HidDeviceHandle;

// The monitor: a thread that reads the device's input reports and posts each
// one to the window. It ends quietly when the device fails (unplugged) and
// stops within one read timeout when asked.
class InputReportReader {
public:
    // message is read at every post, so it may be set after the start.
    InputReportReader(std::shared_ptr<HidDeviceHandle> device, SnxWindow *window,
                      const std::atomic<unsigned int> &message);
    ~InputReportReader();
    InputReportReader(const InputReportReader &) = delete;
    InputReportReader &operator=(const InputReportReader &) = delete;

private:
    void run();
    void post(const unsigned char *data, int length);

    std::shared_ptr<HidDeviceHandle> device_;
    SnxWindow *window_;
    const std::atomic<unsigned int> &message_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
