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
    return hid_read_timeout(device_, buffer, size, timeoutMs);
}

int HidDeviceHandle::write(const unsigned char *data, std::size_t length)
{
    ++waitingWrites_;
    std::lock_guard lock(io_);
    --waitingWrites_;
    return hid_write(device_, data, length);
}
