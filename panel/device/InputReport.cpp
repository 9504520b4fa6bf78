// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputReport.h"

InputReport InputReport::fromWords(const Words &words)
{
    CardFrame::Report bytes{};
    for (std::size_t w = 0; w < words.size(); ++w)
        for (std::size_t i = 0; i < 4; ++i)
            bytes[4 * w + i] = static_cast<std::uint8_t>(words[w] >> (24 - 8 * i));
    return InputReport(bytes);
}

CardFrame::Data InputReport::data() const
{
    return {bytes_[2],  bytes_[7],  bytes_[8],  bytes_[9],
            bytes_[10], bytes_[11], bytes_[12], bytes_[13]};
}

bool InputReport::checksumValid() const
{
    return checksum() == CardFrame::checksumOf(head(), data());
}

CardFrame InputReport::asFrame() const
{
    CardFrame frame(head(), data());
    frame[9] = checksum();
    return frame;
}
