// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// What a HID report descriptor (as sysfs shows it, bytes from the device)
// says about an interface: what it is (the usage page and usage of its first
// collection) and the shape of its reports: whether they are numbered and
// how long each is. Anything it cannot read is left out; reading never goes
// beyond the bytes given.
class ReportDescriptor {
public:
    static ReportDescriptor parse(const std::uint8_t *data, std::size_t size);
    static ReportDescriptor parse(const std::vector<std::uint8_t> &bytes)
    {
        return parse(bytes.data(), bytes.size());
    }

    unsigned usagePage() const { return usagePage_; }
    unsigned usage() const { return usage_; }
    // The report ids the interface uses, ascending; empty when it numbers
    // no reports.
    std::vector<std::uint8_t> reportIds() const;
    // Bytes of the longest input or output report, without its id byte.
    std::size_t inputReportBytes() const { return longest(input_); }
    std::size_t outputReportBytes() const { return longest(output_); }

private:
    using BitsById = std::map<std::uint8_t, std::uint64_t>;
    static std::size_t longest(const BitsById &bits);

    unsigned usagePage_ = 0;
    unsigned usage_ = 0;
    BitsById input_;
    BitsById output_;
    BitsById feature_;
};
