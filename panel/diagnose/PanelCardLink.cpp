// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelCardLink.h"

CardLink::Result PanelCardLink::inspect()
{
    const std::optional<QByteArray> answer = ask_();
    std::optional<Result> result = answer ? Result::decode(*answer) : std::nullopt;
    if (!result) {
        result = Result{};
        result->libraryPath = libraryPath_;
        result->open = Open::PanelDidNotAnswer;
    }
    result->throughRunningPanel = true;
    return *result;
}
