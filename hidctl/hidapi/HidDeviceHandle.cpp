// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidDeviceHandle.h"

#include <chrono>
#include <thread>

HidDeviceHandle::~HidDeviceHandle()
{
    hid_close(device_);
}

int HidDeviceHandle::read(unsigned char *buffer, std::size_t size, int timeoutMs)
{
    // Re-locking right after unlocking would usually beat a sleeping writer.
    while (waitingWrites_.load() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard lock(io_);
    const int result = hid_read_timeout(device_, buffer, size, timeoutMs);
    trace_.read(buffer, result, result < 0 ? hid_error(device_) : nullptr);
    return result;
}

int HidDeviceHandle::write(const unsigned char *data, std::size_t length)
{
    ++waitingWrites_;
    std::lock_guard lock(io_);
    --waitingWrites_;
    const int result = hid_write(device_, data, length);
    trace_.written(data, length, result, result < 0 ? hid_error(device_) : nullptr);
    return result;
}
