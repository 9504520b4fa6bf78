// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelStatus.h"

#include "SettingKeys.h"

#include <functional>

namespace {

// The value of one key as text, or none when it is unknown. quote wraps
// names (JSON strings; plain text leaves them bare).
std::optional<std::string> valueOf(const PanelStatus &status, const SettingKey &key,
                                   const std::function<std::string(bool)> &switchText,
                                   const std::function<std::string(std::string_view)> &quote)
{
    if (!status.values)
        return std::nullopt;
    switch (key.kind) {
    case SettingKey::Kind::Mode:
        if (!status.mode)
            return std::nullopt;
        if (const auto name = SettingKey::modeName(*status.mode))
            return quote(*name);
        return std::nullopt;
    case SettingKey::Kind::Number:
        return std::to_string(*status.values.*key.number);
    case SettingKey::Kind::Switch:
        return switchText(*status.values.*key.flag);
    }
    return std::nullopt;
}

} // namespace

std::string PanelStatus::toText() const
{
    auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
    auto bare = [](std::string_view name) { return std::string(name); };
    std::string text = std::string("connected: ") + (connected ? "yes" : "no") + "\n";
    for (const SettingKey &key : SettingKey::all())
        text += std::string(key.name) + ": " +
                valueOf(*this, key, onOff, bare).value_or("unknown") + "\n";
    text += "preset: " + (preset ? std::to_string(*preset) : std::string("none")) + "\n";
    return text;
}

std::string PanelStatus::toJson() const
{
    return fields() + "}\n";
}

std::string PanelStatus::toJson(std::string_view source) const
{
    return fields() + ", \"source\": \"" + std::string(source) + "\"}\n";
}

std::string PanelStatus::fields() const
{
    auto boolean = [](bool on) { return std::string(on ? "true" : "false"); };
    auto quoted = [](std::string_view name) { return "\"" + std::string(name) + "\""; };
    std::string json = std::string("{\"connected\": ") + boolean(connected);
    for (const SettingKey &key : SettingKey::all())
        json += ", \"" + std::string(key.name) +
                "\": " + valueOf(*this, key, boolean, quoted).value_or("null");
    json += ", \"preset\": " + (preset ? std::to_string(*preset) : std::string("null"));
    return json;
}
