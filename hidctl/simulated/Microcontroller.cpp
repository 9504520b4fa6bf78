// SPDX-License-Identifier: GPL-3.0-or-later
#include "Microcontroller.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr std::uint8_t kReadRequestHead = 0x41;
constexpr std::uint8_t kParameterReadIndex = 0x01;
constexpr std::uint8_t kParameterWriteHead = 0x60;
constexpr std::uint8_t kWriteAnswerBit = 0x80;
constexpr std::uint8_t kStateReportHead = 0x02;
constexpr std::uint8_t kUnexpectedHead = 0x7F;

// Output report layout: head at 2, data bytes at 7-14, checksum at 15.
constexpr std::size_t kOutputHead = 2;
constexpr std::size_t kOutputData = 7;
constexpr std::size_t kOutputChecksum = 15;
// Input report layout: head at 1, first data byte at 2, the others at 7-13, checksum at 14.
constexpr std::size_t kInputHead = 1;
constexpr std::size_t kInputFirstData = 2;
constexpr std::size_t kInputOtherData = 7;
constexpr std::size_t kInputChecksum = 14;

std::uint8_t checksum(std::uint8_t head, const Microcontroller::Block &data)
{
    return static_cast<std::uint8_t>(std::accumulate(data.begin(), data.end(), unsigned{head}));
}

} // namespace

std::optional<Microcontroller::Report> Microcontroller::receive(const Report &output)
{
    const std::uint8_t head = output[kOutputHead];
    Block data{};
    std::copy_n(output.begin() + kOutputData, data.size(), data.begin());
    if (checksum(head, data) != output[kOutputChecksum])
        return std::nullopt;
    if (head == kReadRequestHead && data[0] == kParameterReadIndex)
        return answer(kParameterReadIndex);
    if (head == kParameterWriteHead) {
        block_ = data;
        return answer(kParameterWriteHead | kWriteAnswerBit);
    }
    return std::nullopt;
}

Microcontroller::Report Microcontroller::stateReport(const Block &block)
{
    return inputReport(kStateReportHead, block, 0);
}

void Microcontroller::setAnswerMode(int mode)
{
    switch (mode) {
    case SIM_ANSWER_NORMAL:
    case SIM_ANSWER_SILENT:
    case SIM_ANSWER_WRONG_HEAD:
    case SIM_ANSWER_WRONG_CHECKSUM:
        mode_ = static_cast<SimAnswerMode>(mode);
        break;
    default:
        break;
    }
}

void Microcontroller::reset()
{
    block_ = kFactoryBlock;
    mode_ = SIM_ANSWER_NORMAL;
}

std::optional<Microcontroller::Report> Microcontroller::answer(std::uint8_t head) const
{
    switch (mode_) {
    case SIM_ANSWER_SILENT:
        return std::nullopt;
    case SIM_ANSWER_WRONG_HEAD:
        return inputReport(kUnexpectedHead, block_, 0);
    case SIM_ANSWER_WRONG_CHECKSUM:
        return inputReport(head, block_, 1);
    case SIM_ANSWER_NORMAL:
        break;
    }
    return inputReport(head, block_, 0);
}

Microcontroller::Report Microcontroller::inputReport(std::uint8_t head, const Block &block,
                                                     std::uint8_t checksumError)
{
    Report report{};
    report[kInputHead] = head;
    report[kInputFirstData] = block[0];
    std::copy(block.begin() + 1, block.end(), report.begin() + kInputOtherData);
    report[kInputChecksum] = static_cast<std::uint8_t>(checksum(head, block) + checksumError);
    return report;
}
