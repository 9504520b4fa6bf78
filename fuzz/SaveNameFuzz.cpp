// SPDX-License-Identifier: GPL-3.0-or-later
// The name the user picked in the save-as dialog and the filter it ended
// with. A name with the exact extension "mp3" or "wav" is kept and decides
// the type; any other name with a file part gets the filter's extension
// appended; nothing else is saved. Whatever is chosen ends in its type's
// extension, keeps the picked name in front, and decides the same again.
#include "FuzzCheck.h"
#include "SaveDecision.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

namespace {

bool endsWith(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string fileNameOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int filter = input.ConsumeIntegralInRange(-1, 3);
    const std::string chosen = input.ConsumeRemainingBytesAsString();
    const SaveDecision decision = SaveDecision::decide(chosen, filter);
    const std::string name = fileNameOf(chosen);

    switch (decision.type()) {
    case SaveDecision::Type::Nothing:
        FUZZ_CHECK(decision.path().empty());
        FUZZ_CHECK(name.empty() || (filter != 1 && filter != 2));
        FUZZ_CHECK(!endsWith(name, ".mp3") && !endsWith(name, ".wav"));
        return 0;
    case SaveDecision::Type::Mp3:
        FUZZ_CHECK(endsWith(decision.path(), ".mp3"));
        FUZZ_CHECK(decision.path() == chosen ? endsWith(name, ".mp3") : filter == 1);
        break;
    case SaveDecision::Type::Wav:
        FUZZ_CHECK(endsWith(decision.path(), ".wav"));
        FUZZ_CHECK(decision.path() == chosen ? endsWith(name, ".wav") : filter == 2);
        break;
    }
    FUZZ_CHECK(decision.path() == chosen || decision.path() == chosen + ".mp3" ||
               decision.path() == chosen + ".wav");
    const SaveDecision again = SaveDecision::decide(decision.path(), filter);
    FUZZ_CHECK(again.type() == decision.type() && again.path() == decision.path());
    return 0;
}
