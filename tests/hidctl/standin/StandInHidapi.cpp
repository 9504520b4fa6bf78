// SPDX-License-Identifier: GPL-3.0-or-later
// hidapi's C interface over the hidraw card of HidrawCard, built under
// hidapi's soname so that a library linked against hidapi finds this one when
// it is loaded into a test process first. Results, error strings and errno
// follow hidapi's hidraw backend.
#include "HidrawCard.h"

#include <hidapi.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string>

struct hid_device_ {
    HidrawCard::File *file;
    bool blocking = true;
    std::wstring lastError;
};

namespace {

constexpr wchar_t kNoError[] = L"Success";
constexpr unsigned short kReleaseNumber = 0x0100;
constexpr char kVersion[] = "0.13.1-stand-in";

std::mutex globalErrorMutex;
std::wstring globalError;

std::wstring widen(const std::string &text)
{
    return std::wstring(text.begin(), text.end());
}

void setGlobalError(const std::string &text)
{
    std::lock_guard lock(globalErrorMutex);
    globalError = widen(text);
}

// Keeps errno as the failed call left it, as a system call would.
void fail(hid_device *device, const std::string &text, int error)
{
    device->lastError = widen(text);
    errno = error;
}

bool matches(unsigned short wanted, unsigned short actual)
{
    return wanted == 0 || wanted == actual;
}

hid_device_info *nodeInfo(const HidrawCard::Node &node)
{
    auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
    info->path = strdup(node.path);
    info->vendor_id = HidrawCard::kVendorId;
    info->product_id = HidrawCard::kProductId;
    info->serial_number = wcsdup(L"");
    info->release_number = kReleaseNumber;
    info->manufacturer_string = wcsdup(L"VEK");
    info->product_string = wcsdup(L"ZR-4");
    info->usage_page = node.usagePage;
    info->usage = 1;
    info->interface_number = node.interfaceNumber;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

} // namespace

extern "C" {

int hid_init(void)
{
    HidrawCard::instance().noteInit();
    return 0;
}

int hid_exit(void)
{
    HidrawCard::instance().noteExit();
    std::lock_guard lock(globalErrorMutex);
    globalError.clear();
    return 0;
}

hid_device_info *hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    if (!matches(vendor_id, HidrawCard::kVendorId) || !matches(product_id, HidrawCard::kProductId))
        return nullptr;
    hid_device_info *first = nullptr;
    hid_device_info **next = &first;
    for (const HidrawCard::Node &node : HidrawCard::instance().nodes()) {
        *next = nodeInfo(node);
        next = &(*next)->next;
    }
    return first;
}

void hid_free_enumeration(hid_device_info *devices)
{
    while (devices) {
        hid_device_info *next = devices->next;
        std::free(devices->path);
        std::free(devices->serial_number);
        std::free(devices->manufacturer_string);
        std::free(devices->product_string);
        std::free(devices);
        devices = next;
    }
}

hid_device *hid_open_path(const char *path)
{
    int error = 0;
    HidrawCard::File *file = HidrawCard::instance().open(path, error);
    if (!file) {
        setGlobalError(std::string("Failed to open a device with path '") + (path ? path : "") +
                       "': " + std::strerror(error));
        errno = error;
        return nullptr;
    }
    return new hid_device{file, true, {}};
}

hid_device *hid_open(unsigned short vendor_id, unsigned short product_id,
                     const wchar_t *serial_number)
{
    hid_device_info *devices = hid_enumerate(vendor_id, product_id);
    hid_device *device = nullptr;
    for (hid_device_info *info = devices; info && !device; info = info->next) {
        if (!serial_number || std::wcscmp(serial_number, info->serial_number) == 0)
            device = hid_open_path(info->path);
    }
    if (!devices)
        setGlobalError("No HID devices with requested VID/PID found in the system.");
    hid_free_enumeration(devices);
    return device;
}

void hid_close(hid_device *device)
{
    if (!device)
        return;
    HidrawCard::instance().close(device->file);
    delete device;
}

int hid_write(hid_device *device, const unsigned char *data, size_t length)
{
    int error = 0;
    const int written = HidrawCard::instance().write(*device->file, data, length, error);
    if (written < 0)
        fail(device, std::strerror(error), error);
    else
        device->lastError.clear();
    return written;
}

int hid_read_timeout(hid_device *device, unsigned char *data, size_t length, int milliseconds)
{
    int error = 0;
    const int read = HidrawCard::instance().read(*device->file, data, length, milliseconds, error);
    if (read >= 0)
        return read;
    // With a timeout, hidapi polls first and sees the removal as a hang-up.
    if (milliseconds >= 0)
        fail(device, "hid_read_timeout: unexpected poll error (device disconnected)", error);
    else
        fail(device, std::strerror(error), error);
    return -1;
}

int hid_read(hid_device *device, unsigned char *data, size_t length)
{
    return hid_read_timeout(device, data, length, device->blocking ? -1 : 0);
}

int hid_set_nonblocking(hid_device *device, int nonblock)
{
    device->blocking = !nonblock;
    return 0;
}

const char *hid_version_str(void)
{
    return kVersion;
}

const wchar_t *hid_error(hid_device *device)
{
    if (device)
        return device->lastError.empty() ? kNoError : device->lastError.c_str();
    std::lock_guard lock(globalErrorMutex);
    return globalError.empty() ? kNoError : globalError.c_str();
}

} // extern "C"
