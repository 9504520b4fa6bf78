// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HidapiTrace.h"

#include <hidapi.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

// One open hidraw device, shared by the reader thread and the callers that
// write. hidapi keeps a per-device error string that both hid_read_timeout and
// hid_write replace, so the two must never run at the same time; writes go
// first, so a waiting write is delayed by at most one read timeout. Every
// report in both directions goes through here, so the trace is kept here.
class HidDeviceHandle {
public:
    HidDeviceHandle(hid_device *device, std::string path)
        : device_(device), path_(path), trace_(std::move(path))
    {
    }
    ~HidDeviceHandle();
    HidDeviceHandle(const HidDeviceHandle &) = delete;
    HidDeviceHandle &operator=(const HidDeviceHandle &) = delete;

    const std::string &path() const { return path_; }
    // As hid_read_timeout: bytes read, 0 on timeout, -1 when the device failed.
    int read(unsigned char *buffer, std::size_t size, int timeoutMs);
    // As hid_write: bytes written or -1.
    int write(const unsigned char *data, std::size_t length);

private:
    hid_device *device_;
    const std::string path_;
    std::mutex io_;
    std::atomic<int> waitingWrites_{0};
    HidapiTrace trace_;
};
