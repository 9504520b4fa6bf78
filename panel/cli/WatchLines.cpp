// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatchLines.h"

#include <sstream>

namespace {

std::vector<std::string> pairsOf(const PanelStatus &status)
{
    std::vector<std::string> pairs;
    std::istringstream text(status.toText());
    for (std::string pair; std::getline(text, pair);)
        pairs.push_back(pair);
    return pairs;
}

} // namespace

std::string WatchLines::line(const PanelStatus &status, std::string_view source)
{
    if (json_)
        return status.toJson(source);
    const std::vector<std::string> pairs = pairsOf(status);
    std::string changed;
    for (std::size_t i = 0; i < pairs.size(); ++i)
        if (!told_ || told_->size() != pairs.size() || (*told_)[i] != pairs[i])
            changed += (changed.empty() ? "" : ", ") + pairs[i];
    told_ = pairs;
    // A write of what was there already is a change all the same: a command
    // or a click was carried out.
    return "[" + std::string(source) + "] " + (changed.empty() ? "no change" : changed) + "\n";
}
