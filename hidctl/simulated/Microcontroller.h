// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReportWords.h"
#include "SimulatedDeviceApi.h"

#include <array>
#include <cstdint>
#include <optional>

// What the sound card's microcontroller does with output reports: it keeps
// the parameter block, answers read requests and block writes, and ignores
// everything else. Not thread-safe; its owner locks.
class Microcontroller {
public:
    using Block = std::array<std::uint8_t, 8>;
    using Report = ReportWords::Bytes;

    static constexpr Block kFactoryBlock{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E};

    // The input report that answers this output report, if any.
    std::optional<Report> receive(const Report &output);
    // The report the device sends of its own accord to tell its block.
    static Report stateReport(const Block &block);

    const Block &block() const { return block_; }
    void setBlock(const Block &block) { block_ = block; }
    // Modes outside SimAnswerMode are ignored.
    void setAnswerMode(int mode);
    void reset();

private:
    std::optional<Report> answer(std::uint8_t head) const;
    static Report inputReport(std::uint8_t head, const Block &block, std::uint8_t checksumError);

    Block block_ = kFactoryBlock;
    SimAnswerMode mode_ = SIM_ANSWER_NORMAL;
};
