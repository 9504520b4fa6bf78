// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedDevice.h"

#include <dlfcn.h>

namespace {

template <typename F> void resolve(void *handle, F &slot, const char *name)
{
    slot = handle ? reinterpret_cast<F>(dlsym(handle, name)) : nullptr;
}

} // namespace

SimulatedDevice::SimulatedDevice(void *handle)
{
    resolve(handle, reset_, "SIM_Reset");
    resolve(handle, plug_, "SIM_Plug");
    resolve(handle, unplug_, "SIM_Unplug");
    resolve(handle, setAccessDenied_, "SIM_SetAccessDenied");
    resolve(handle, setAnswerMode_, "SIM_SetAnswerMode");
    resolve(handle, setAnswerDelayMs_, "SIM_SetAnswerDelayMs");
    resolve(handle, getBlock_, "SIM_GetBlock");
    resolve(handle, setBlock_, "SIM_SetBlock");
    resolve(handle, injectStateReport_, "SIM_InjectStateReport");
    resolve(handle, injectRawReport_, "SIM_InjectRawReport");
    resolve(handle, outputReportCount_, "SIM_OutputReportCount");
    resolve(handle, getOutputReport_, "SIM_GetOutputReport");
    resolve(handle, clearOutputReports_, "SIM_ClearOutputReports");
}

bool SimulatedDevice::resolved() const
{
    return reset_ && plug_ && unplug_ && setAccessDenied_ && setAnswerMode_ && setAnswerDelayMs_ &&
           getBlock_ && setBlock_ && injectStateReport_ && injectRawReport_ && outputReportCount_ &&
           getOutputReport_ && clearOutputReports_;
}

SimulatedDevice::Block SimulatedDevice::block() const
{
    Block block{};
    getBlock_(block.data());
    return block;
}

void SimulatedDevice::injectRawReport(const std::vector<std::uint8_t> &bytes) const
{
    injectRawReport_(bytes.data(), static_cast<int>(bytes.size()));
}

std::vector<SimulatedDevice::Report> SimulatedDevice::outputReports() const
{
    std::vector<Report> reports(static_cast<std::size_t>(outputReportCount_()));
    for (std::size_t i = 0; i < reports.size(); ++i)
        getOutputReport_(static_cast<int>(i), reports[i].data());
    return reports;
}
