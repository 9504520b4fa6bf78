// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportDescriptor.h"

#include <algorithm>
#include <set>

namespace {

// The short items a USB HID report descriptor is made of: their types and the
// tags this parser reads.
enum ItemType : unsigned { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : unsigned { kInput = 8, kOutput = 9, kCollection = 10, kFeature = 11 };
enum GlobalTag : unsigned {
    kUsagePage = 0,
    kReportSize = 7,
    kReportId = 8,
    kReportCount = 9,
    kPush = 10,
    kPop = 11
};
enum LocalTag : unsigned { kUsage = 0 };
constexpr std::uint8_t kLongItem = 0xFE;
// Beyond any real report: keep the products and sums far from overflowing.
constexpr std::uint64_t kFieldCap = std::uint64_t{1} << 16;
constexpr std::uint64_t kBitsCap = std::uint64_t{1} << 40;
constexpr std::size_t kStackDepth = 16;

struct Globals {
    unsigned usagePage = 0;
    std::uint64_t reportSize = 0;
    std::uint64_t reportCount = 0;
    std::uint8_t reportId = 0;
};

} // namespace

ReportDescriptor ReportDescriptor::parse(const std::uint8_t *data, std::size_t size)
{
    ReportDescriptor descriptor;
    if (!data)
        return descriptor;
    Globals globals;
    std::vector<Globals> stack;
    unsigned lastUsage = 0;
    bool collectionSeen = false;
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t prefix = data[at];
        if (prefix == kLongItem) {
            if (at + 1 >= size)
                break;
            at += 3 + std::size_t{data[at + 1]};
            continue;
        }
        const std::size_t length = (prefix & 3u) == 3u ? 4 : (prefix & 3u);
        if (at + 1 + length > size)
            break;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < length; ++i)
            value |= std::uint32_t{data[at + 1 + i]} << (8 * i);
        at += 1 + length;

        const unsigned type = (prefix >> 2) & 3u;
        const unsigned tag = prefix >> 4;
        if (type == kGlobal) {
            if (tag == kUsagePage)
                globals.usagePage = value & 0xFFFFu;
            else if (tag == kReportSize)
                globals.reportSize = std::min<std::uint64_t>(value, kFieldCap);
            else if (tag == kReportCount)
                globals.reportCount = std::min<std::uint64_t>(value, kFieldCap);
            else if (tag == kReportId)
                globals.reportId = static_cast<std::uint8_t>(value);
            else if (tag == kPush && stack.size() < kStackDepth)
                stack.push_back(globals);
            else if (tag == kPop && !stack.empty()) {
                globals = stack.back();
                stack.pop_back();
            }
        } else if (type == kLocal && tag == kUsage) {
            lastUsage = value & 0xFFFFu;
        } else if (type == kMain) {
            if (tag == kCollection && !collectionSeen) {
                collectionSeen = true;
                descriptor.usagePage_ = globals.usagePage;
                descriptor.usage_ = lastUsage;
            }
            BitsById *bits = tag == kInput     ? &descriptor.input_
                             : tag == kOutput  ? &descriptor.output_
                             : tag == kFeature ? &descriptor.feature_
                                               : nullptr;
            if (bits) {
                std::uint64_t &sum = (*bits)[globals.reportId];
                sum = std::min(sum + globals.reportSize * globals.reportCount, kBitsCap);
            }
            // A main item uses up the local items before it.
            lastUsage = 0;
        }
    }
    return descriptor;
}

std::vector<std::uint8_t> ReportDescriptor::reportIds() const
{
    std::set<std::uint8_t> ids;
    for (const BitsById *bits : {&input_, &output_, &feature_}) {
        for (const auto &[id, _] : *bits) {
            if (id != 0)
                ids.insert(id);
        }
    }
    return {ids.begin(), ids.end()};
}

std::size_t ReportDescriptor::longest(const BitsById &bits)
{
    std::uint64_t most = 0;
    for (const auto &[_, sum] : bits)
        most = std::max(most, sum);
    return static_cast<std::size_t>((most + 7) / 8);
}
