// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for NUVAUDIOCTL.so in the end-to-end test: forwards every call to
// the library named by ORLENTA_SHIM_TARGET and writes each output report, as
// hex bytes on one line, to the file named by ORLENTA_SHIM_LOG. So a test can
// see what a separate Orlenta process sent to the simulated device. With
// ORLENTA_SHIM_PRESS naming a FIFO, each line of eight hex bytes written to
// it is a state report the simulated card sends, as when its buttons are
// pressed.
#include "SimulatedDeviceApi.h"
#include "SnxApi.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

void *target()
{
    static void *handle = [] {
        const char *path = std::getenv("ORLENTA_SHIM_TARGET");
        return path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
    }();
    return handle;
}

template <typename F> F resolve(const char *name)
{
    void *handle = target();
    return handle ? reinterpret_cast<F>(dlsym(handle, name)) : nullptr;
}

void logReport(const unsigned char *report, int length)
{
    static std::mutex mutex;
    const char *path = std::getenv("ORLENTA_SHIM_LOG");
    if (!path || !report)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    if (FILE *log = std::fopen(path, "a")) {
        for (int i = 0; i < length; ++i)
            std::fprintf(log, i ? " %02x" : "%02x", report[i]);
        std::fputc('\n', log);
        std::fclose(log);
    }
}

// Reads the FIFO for as long as the process runs, opening it again after
// each writer has closed it.
void pressButtons(const char *fifo)
{
    auto inject = resolve<decltype(&SIM_InjectStateReport)>("SIM_InjectStateReport");
    if (!inject)
        return;
    for (;;) {
        FILE *presses = std::fopen(fifo, "r");
        if (!presses)
            return;
        unsigned block[8];
        while (std::fscanf(presses, "%x %x %x %x %x %x %x %x", &block[0], &block[1], &block[2],
                           &block[3], &block[4], &block[5], &block[6], &block[7]) == 8) {
            unsigned char bytes[8];
            for (int i = 0; i < 8; ++i)
                bytes[i] = static_cast<unsigned char>(block[i]);
            inject(bytes);
        }
        std::fclose(presses);
    }
}

void startPressingOnce()
{
    static std::once_flag started;
    std::call_once(started, [] {
        if (const char *fifo = std::getenv("ORLENTA_SHIM_PRESS"))
            std::thread(pressButtons, fifo).detach();
    });
}

} // namespace

#define FORWARD(result, name, params, args, fallback)                                              \
    SNX_EXPORT result name params                                                                  \
    {                                                                                              \
        auto f = resolve<decltype(&name)>(#name);                                                  \
        return f ? f args : fallback;                                                              \
    }

extern "C" {
FORWARD(int, SNX_FindDeviceWithID, (unsigned short v, unsigned short p), (v, p), 0)
FORWARD(int, SNX_CheckDeviceWithID, (unsigned short v, unsigned short p), (v, p), 0)
FORWARD(int, SNX_FindDevice, (void), (), 0)
FORWARD(void, SNX_CloseDevice, (void), (), void())
FORWARD(void, SNX_CloseHIDMonitor, (void), (), void())
FORWARD(unsigned short, SNX_GetVendorID, (void), (), 0)
FORWARD(unsigned short, SNX_GetProductID, (void), (), 0)
FORWARD(void, SNX_SetMonitorMsg, (unsigned int message), (message), void())

SNX_EXPORT void SNX_OpenHIDMonitor(SnxWindow *window)
{
    startPressingOnce();
    if (auto f = resolve<decltype(&SNX_OpenHIDMonitor)>("SNX_OpenHIDMonitor"))
        f(window);
}

SNX_EXPORT int SNX_HID_Output_Report_Data(const unsigned char *report, int length)
{
    logReport(report, length);
    auto f = resolve<decltype(&SNX_HID_Output_Report_Data)>("SNX_HID_Output_Report_Data");
    return f ? f(report, length) : 0;
}
}
