// SPDX-License-Identifier: GPL-3.0-or-later
// The running panel's answer for the diagnosis's card, as a command reads it
// from the single-instance socket: any bytes are read or refused without
// harm, what is read encodes back to itself, and an answer the panel made
// comes out whole.
#include "CardLink.h"
#include "FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

constexpr std::size_t kMostItems = 4;
constexpr std::size_t kLongestText = 64;

void checkAnyBytes(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<CardLink::Result> read = CardLink::Result::decode(bytes);
    if (read)
        FUZZ_CHECK(CardLink::Result::decode(read->encode()) == read);
}

QByteArray someBytes(FuzzedDataProvider &input)
{
    const std::string bytes = input.ConsumeRandomLengthString(kLongestText);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString someText(FuzzedDataProvider &input)
{
    return QString::fromUtf8(someBytes(input));
}

CardLink::Result madeResult(FuzzedDataProvider &input)
{
    CardLink::Result made;
    made.libraryPath = someText(input);
    made.libraryError = someText(input);
    if (input.ConsumeBool()) {
        made.interfaces.emplace();
        for (std::size_t i = input.ConsumeIntegralInRange<std::size_t>(0, kMostItems); i > 0; --i)
            made.interfaces->push_back({someText(input), input.ConsumeIntegral<int>(),
                                        input.ConsumeIntegral<std::uint16_t>(),
                                        input.ConsumeIntegral<std::uint16_t>()});
    }
    made.open = static_cast<CardLink::Open>(
        input.ConsumeIntegralInRange<int>(0, static_cast<int>(CardLink::Open::PanelDidNotAnswer)));
    made.openError = input.ConsumeIntegral<int>();
    if (input.ConsumeBool()) {
        CardLink::StateRead read;
        read.sent = someBytes(input);
        if (input.ConsumeBool())
            read.received = someBytes(input);
        read.roundTripMs = input.ConsumeFloatingPoint<double>();
        read.checksumRight = input.ConsumeBool();
        for (std::size_t i = input.ConsumeIntegralInRange<std::size_t>(0, kMostItems); i > 0; --i)
            read.others.push_back(someBytes(input));
        made.stateRead = read;
    }
    return made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkAnyBytes(data, size);
    FuzzedDataProvider input(data, size);
    const CardLink::Result made = madeResult(input);
    FUZZ_CHECK(CardLink::Result::decode(made.encode()) == made);
    return 0;
}
