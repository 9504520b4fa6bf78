// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter block's text form as preset files hold it, and the block's
// bytes as device reports carry them into the panel. Any text reads as a
// block whose text form is 16 lowercase hex digits and reads back as the same
// block; each byte is the leading hex digits of its pair, bytes the text does
// not reach keep the new-preset value. Any eight bytes survive the text form
// in either case, and unpacking then packing them changes only fields
// outside the ranges the panel offers.
#include "FuzzCheck.h"
#include "ParameterBlock.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = char(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The byte one pair of characters stands for.
std::uint8_t pairValue(std::string_view pair)
{
    const int high = hexValue(pair[0]);
    if (high < 0)
        return 0;
    const int low = pair.size() > 1 ? hexValue(pair[1]) : -1;
    return std::uint8_t(low < 0 ? high : high * 16 + low);
}

void checkText(std::string_view text)
{
    const ParameterBlock block = ParameterBlock::fromText(text);
    const std::string normalised = block.toText();
    FUZZ_CHECK(normalised.size() == 16);
    FUZZ_CHECK(std::all_of(normalised.begin(), normalised.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    }));
    FUZZ_CHECK(ParameterBlock::fromText(normalised) == block);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::uint8_t expected = 2 * i < text.size() ? pairValue(text.substr(2 * i, 2))
                                                          : ParameterBlock::newPreset().bytes()[i];
        FUZZ_CHECK(block.bytes()[i] == expected);
    }
}

// Fields the panel offers are kept by unpack and pack; others are clamped
// into their ranges, so a second round changes nothing.
void checkBytes(const ParameterBlock::Bytes &bytes)
{
    const ParameterBlock block(bytes);
    std::string upper = block.toText();
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    FUZZ_CHECK(ParameterBlock::fromText(block.toText()) == block);
    FUZZ_CHECK(ParameterBlock::fromText(upper) == block);

    const ParameterBlock repacked = ParameterBlock::pack(block.unpack());
    FUZZ_CHECK(ParameterBlock::pack(repacked.unpack()) == repacked);
    const PanelValues values = block.unpack();
    const bool inRange = values.fxType <= ParameterBlock::kFxTypeMax &&
                         values.mode <= ParameterBlock::kModeMax && (bytes[2] & 0x30) == 0 &&
                         (bytes[2] & 0x80) == 0 && (bytes[3] & 0xC0) == 0;
    FUZZ_CHECK(!inRange || repacked == block);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkText(std::string_view(reinterpret_cast<const char *>(data), size));
    if (size >= 8) {
        ParameterBlock::Bytes bytes{};
        std::copy_n(data, bytes.size(), bytes.begin());
        checkBytes(bytes);
    }
    return 0;
}
