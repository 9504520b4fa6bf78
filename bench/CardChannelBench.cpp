// SPDX-License-Identifier: GPL-3.0-or-later
// Median time of a parameter write against the simulated device answering at
// once, as a ratio to the 10 ms pacing sleep every request starts with. The
// channel's orlenta.hid and orlenta.card debug lines are compiled in and off,
// as in a normal run: the goal holds with their cost when off.
#include "CardChannel.h"
#include "HidControlLibrary.h"
#include "LogCategories.h"
#include "MonitorWindow.h"
#include "ParameterBlock.h"
#include "SimulatedDeviceApi.h"

#include <QCoreApplication>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const char *path = argc > 1 ? argv[1] : ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so";
    HidControlLibrary library;
    if (!library.load(path)) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, library.loadError().c_str());
        return 1;
    }
    auto setDelay = reinterpret_cast<decltype(&SIM_SetAnswerDelayMs)>(
        dlsym(library.handle(), "SIM_SetAnswerDelayMs"));
    if (setDelay)
        setDelay(0);

    CardChannel channel([&](const unsigned char *r, int n) { return library.outputReport(r, n); });
    MonitorWindow monitor([&](unsigned message, std::uintptr_t wParam, const auto &words) {
        if (message == 1124)
            channel.onMonitorMessage(wParam, words);
    });
    if (!library.findDeviceWithId(0x0C45, 0x1F7D)) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    library.openHidMonitor(monitor.window());
    library.setMonitorMessage(1124);
    channel.setConnected(true);

    constexpr int kWrites = 1000;
    std::vector<double> millis;
    millis.reserve(kWrites);
    int failures = 0;
    for (int i = 0; i < kWrites; ++i) {
        CardFrame frame(CardFrame::kParameterWriteHead, ParameterBlock::factory().bytes());
        const auto start = std::chrono::steady_clock::now();
        if (channel.SendCommandJY(0x20, frame) != CardChannel::Result::Answered)
            ++failures;
        millis.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    library.closeHidMonitor();
    library.closeDevice();

    std::nth_element(millis.begin(), millis.begin() + kWrites / 2, millis.end());
    const double median = millis[kWrites / 2];
    const bool traceOff = !lcHid().isDebugEnabled() && !lcCard().isDebugEnabled();
    std::printf("parameter write, debug trace compiled in and %s: median %.3f ms over %d writes "
                "(%d failed); ratio to the 10 ms pacing floor %.3f (goal <= 1.2: %s)\n",
                traceOff ? "off" : "ON (QT_LOGGING_RULES)", median, kWrites, failures,
                median / 10.0, median / 10.0 <= 1.2 ? "met" : "NOT met");
    return failures == 0 ? 0 : 1;
}
