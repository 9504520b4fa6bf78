// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up sound beside the program, decoded as the panel decodes it: any
// bytes in NUVdata.mp3. A decoded sound has one or two channels, an MPEG
// sample rate and whole frames of samples, and decoding again gives the same.
#include "FuzzCheck.h"
#include "Mp3Decoder.h"
#include "ScratchFolder.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr std::array<long, 9> kMpegRates{8000,  11025, 12000, 16000, 22050,
                                         24000, 32000, 44100, 48000};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto path = ScratchFolder::path() / "NUVdata.mp3";
    FUZZ_CHECK(
        ScratchFolder::write(path, std::string_view(reinterpret_cast<const char *>(data), size)));
    const std::optional<PcmSound> sound = Mp3Decoder::decode(path);
    if (!sound)
        return 0;
    FUZZ_CHECK(sound->channels == 1 || sound->channels == 2);
    FUZZ_CHECK(std::find(kMpegRates.begin(), kMpegRates.end(), sound->rate) != kMpegRates.end());
    FUZZ_CHECK(!sound->samples.empty() &&
               sound->samples.size() % std::size_t(sound->channels) == 0);
    const std::optional<PcmSound> again = Mp3Decoder::decode(path);
    FUZZ_CHECK(again && again->rate == sound->rate && again->channels == sound->channels &&
               again->samples == sound->samples);
    return 0;
}
