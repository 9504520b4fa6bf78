// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <hidapi.h>

#include <atomic>
#include <cstddef>
#include <mutex>

// One open hidraw device, shared by the reader thread and the callers that
// write. hidapi keeps a per-device error string that both hid_read_timeout and
// hid_write replace, so the two must never run at the same time; writes go
// first, so a waiting write is delayed by at most one read timeout.
class HidDeviceHandle {
public:
    explicit HidDeviceHandle(hid_device *device) : device_(device) {}
    ~HidDeviceHandle();
    HidDeviceHandle(const HidDeviceHandle &) = delete;
    HidDeviceHandle &operator=(const HidDeviceHandle &) = delete;

    // As hid_read_timeout: bytes read, 0 on timeout, -1 when the device failed.
    int read(unsigned char *buffer, std::size_t size, int timeoutMs);
    // As hid_write: bytes written or -1.
    int write(const unsigned char *data, std::size_t length);

private:
    hid_device *device_;
    std::mutex io_;
    std::atomic<int> waitingWrites_{0};
};
