// SPDX-License-Identifier: GPL-3.0-or-later
// Settings and preset files as a user or another program may have left them:
// any text in setting.ini or a preset file. Loading a preset reads its block
// text, and the send that follows writes the normalised text back. Values
// are seen up to 127 characters; the write keeps every other key readable as
// it was, leaves the file loadable with the new value in it, and making the
// missing files leaves setting.ini and the first two presets alone (with the
// first two missing, the others are made anew from the first).
#include "FuzzCheck.h"
#include "ParameterBlock.h"
#include "PresetFiles.h"
#include "PrivateProfile.h"
#include "ScratchFolder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char *kSection = "setting";
constexpr const char *kBlockKey = "settingToVoice";
constexpr std::size_t kMostProbes = 4;

bool sameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

struct Probe {
    std::string section;
    std::string key;
    std::string before;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int preset = input.ConsumeIntegralInRange(0, PresetFiles::kPresetCount);
    std::vector<Probe> probes{{"setting", "CurrentConfig", {}},
                              {"moshi", "settingToVoiceYing", {}}};
    const std::size_t extraProbes = input.ConsumeIntegralInRange<std::size_t>(0, kMostProbes);
    for (std::size_t i = 0; i < extraProbes; ++i) {
        std::string section = input.ConsumeRandomLengthString(16);
        probes.push_back({std::move(section), input.ConsumeRandomLengthString(16), {}});
    }
    const std::string content = input.ConsumeRemainingBytesAsString();

    ScratchFolder::clear();
    PresetFiles files(ScratchFolder::path());
    // Preset 0 stands for setting.ini.
    const auto file = preset == 0 ? files.settingFile() : files.presetFile(preset);
    FUZZ_CHECK(ScratchFolder::write(file, content));
    for (Probe &probe : probes)
        probe.before = PrivateProfile::read(file, probe.section, probe.key);

    const std::string current = files.currentConfig();
    FUZZ_CHECK(current.size() <= PrivateProfile::kMaxValueLength);
    const std::string stored = PrivateProfile::read(file, kSection, kBlockKey);
    FUZZ_CHECK(stored.size() <= PrivateProfile::kMaxValueLength);

    const std::string normalised = ParameterBlock::fromText(stored).toText();
    FUZZ_CHECK(PrivateProfile::write(file, kSection, kBlockKey, normalised));
    FUZZ_CHECK(PrivateProfile::read(file, kSection, kBlockKey) == normalised);
    for (const Probe &probe : probes) {
        if (sameName(probe.section, kSection) && sameName(probe.key, kBlockKey))
            continue;
        FUZZ_CHECK(PrivateProfile::read(file, probe.section, probe.key) == probe.before);
    }

    const std::vector<std::uint8_t> written = ScratchFolder::read(file);
    files.createMissing();
    if (preset <= 2)
        FUZZ_CHECK(ScratchFolder::read(file) == written);
    return 0;
}
