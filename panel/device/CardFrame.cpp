// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardFrame.h"

#include <algorithm>

CardFrame::CardFrame(std::uint8_t head, const Data &data)
{
    bytes_[0] = head;
    std::copy(data.begin(), data.end(), bytes_.begin() + 1);
}

CardFrame CardFrame::readRequest(std::uint8_t index)
{
    Data data{};
    data[0] = index;
    CardFrame frame(kReadRequestHead, data);
    frame.writeChecksum();
    return frame;
}

std::uint8_t CardFrame::checksumOf(std::uint8_t head, const Data &data)
{
    unsigned sum = head;
    for (std::uint8_t byte : data)
        sum += byte;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

CardFrame::Data CardFrame::data() const
{
    Data data;
    std::copy(bytes_.begin() + 1, bytes_.begin() + 9, data.begin());
    return data;
}

CardFrame::Report CardFrame::outputReport() const
{
    // The device firmware expects the vendor id's bytes at offsets 5 and 6.
    Report report{};
    report[2] = bytes_[0];
    report[5] = 0x0C;
    report[6] = 0x45;
    std::copy(bytes_.begin() + 1, bytes_.end(), report.begin() + 7);
    return report;
}
