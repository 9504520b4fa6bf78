// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SimulatedDevice.h"

#include <QString>

#include <algorithm>
#include <filesystem>
#include <string>

namespace panel_test {

using Report = SimulatedDevice::Report;
using Block = SimulatedDevice::Block;

inline Report writeReport(const Block &block)
{
    Report report{0x00, 0x00, 0x60, 0x00, 0x00, 0x0C, 0x45};
    unsigned sum = 0x60;
    for (std::size_t i = 0; i < block.size(); ++i) {
        report[7 + i] = block[i];
        sum += block[i];
    }
    report[15] = static_cast<std::uint8_t>(sum);
    return report;
}

inline const Report kReadRequest{0x00, 0x00, 0x41, 0x00, 0x00, 0x0C, 0x45, 0x01,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x42};
inline const Report kZeroReport{};
inline const Block kFactoryBlock{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E};

inline std::string readFile(const std::filesystem::path &path)
{
    std::string text;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

inline void writeFile(const std::filesystem::path &path, const std::string &text)
{
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

} // namespace panel_test
