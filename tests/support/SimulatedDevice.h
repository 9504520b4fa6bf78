// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SimulatedDeviceApi.h"

#include <array>
#include <cstdint>
#include <vector>

// The test's hands on the simulated device: its SIM_ exports, resolved from
// the very module the code under test loaded.
class SimulatedDevice {
public:
    using Report = std::array<std::uint8_t, 16>;
    using Block = std::array<std::uint8_t, 8>;

    // handle: what dlopen returned for the simulated NUVAUDIOCTL.so.
    explicit SimulatedDevice(void *handle);
    bool resolved() const;

    void reset() const { reset_(); }
    void plug() const { plug_(); }
    void unplug() const { unplug_(); }
    void setAccessDenied(bool denied) const { setAccessDenied_(denied ? 1 : 0); }
    void setAnswerMode(int mode) const { setAnswerMode_(mode); }
    void setAnswerDelayMs(int ms) const { setAnswerDelayMs_(ms); }
    Block block() const;
    void setBlock(const Block &block) const { setBlock_(block.data()); }
    void injectStateReport(const Block &block) const { injectStateReport_(block.data()); }
    void injectRawReport(const std::vector<std::uint8_t> &bytes) const;
    std::vector<Report> outputReports() const;
    void clearOutputReports() const { clearOutputReports_(); }

private:
    decltype(&SIM_Reset) reset_ = nullptr;
    decltype(&SIM_Plug) plug_ = nullptr;
    decltype(&SIM_Unplug) unplug_ = nullptr;
    decltype(&SIM_SetAccessDenied) setAccessDenied_ = nullptr;
    decltype(&SIM_SetAnswerMode) setAnswerMode_ = nullptr;
    decltype(&SIM_SetAnswerDelayMs) setAnswerDelayMs_ = nullptr;
    decltype(&SIM_GetBlock) getBlock_ = nullptr;
    decltype(&SIM_SetBlock) setBlock_ = nullptr;
    decltype(&SIM_InjectStateReport) injectStateReport_ = nullptr;
    decltype(&SIM_InjectRawReport) injectRawReport_ = nullptr;
    decltype(&SIM_OutputReportCount) outputReportCount_ = nullptr;
    decltype(&SIM_GetOutputReport) getOutputReport_ = nullptr;
    decltype(&SIM_ClearOutputReports) clearOutputReports_ = nullptr;
};
