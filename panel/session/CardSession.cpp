// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardSession.h"

const char *CardSession::sourceName(Source source)
{
    switch (source) {
    case Source::User:
        return "panel";
    case Source::CardReport:
        return "card";
    case Source::Command:
        return "command";
    case Source::Preset:
        return "preset";
    case Source::Reset:
        return "reset";
    case Source::Connection:
        return "connection";
    }
    return "panel";
}
