// SPDX-License-Identifier: GPL-3.0-or-later
// Report descriptors as sysfs hands them over from a device: any bytes are
// read without reading beyond them, the report ids come out ascending, once
// each and never 0, and a descriptor of one collection with one input and one
// output report reads back as it was made.
#include "FuzzCheck.h"
#include "ReportDescriptor.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

namespace {

// The largest report the reader counts up to, in bytes.
constexpr std::size_t kMostBytes = (std::size_t{1} << 40) / 8;

void checkAnyBytes(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    const ReportDescriptor descriptor = ReportDescriptor::parse(bytes);
    const std::vector<std::uint8_t> ids = descriptor.reportIds();
    FUZZ_CHECK(std::adjacent_find(ids.begin(), ids.end(), std::greater_equal<>()) == ids.end());
    FUZZ_CHECK(std::find(ids.begin(), ids.end(), 0) == ids.end());
    FUZZ_CHECK(descriptor.inputReportBytes() <= kMostBytes);
    FUZZ_CHECK(descriptor.outputReportBytes() <= kMostBytes);
}

void checkMadeDescriptor(FuzzedDataProvider &input)
{
    const auto page = input.ConsumeIntegral<std::uint16_t>();
    const auto usage = input.ConsumeIntegralInRange<std::uint8_t>(1, 0xFF);
    const auto id = input.ConsumeIntegral<std::uint8_t>();
    const auto count = input.ConsumeIntegralInRange<std::uint8_t>(1, 0xFF);
    std::vector<std::uint8_t> made{
        0x06, std::uint8_t(page), std::uint8_t(page >> 8), 0x09, usage, 0xA1, 0x01};
    if (id != 0)
        made.insert(made.end(), {0x85, id});
    made.insert(made.end(), {0x75, 0x08, 0x95, count, 0x81, 0x02, 0x91, 0x02, 0xC0});
    const ReportDescriptor descriptor = ReportDescriptor::parse(made);
    FUZZ_CHECK(descriptor.usagePage() == page);
    FUZZ_CHECK(descriptor.usage() == usage);
    FUZZ_CHECK(descriptor.reportIds() ==
               (id != 0 ? std::vector<std::uint8_t>{id} : std::vector<std::uint8_t>{}));
    FUZZ_CHECK(descriptor.inputReportBytes() == count);
    FUZZ_CHECK(descriptor.outputReportBytes() == count);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkAnyBytes(data, size);
    FuzzedDataProvider input(data, size);
    checkMadeDescriptor(input);
    return 0;
}
