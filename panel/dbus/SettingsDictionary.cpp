// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsDictionary.h"

#include "SettingKeys.h"

#include <QMetaType>

#include <optional>

namespace {

// The value as `set` would be given it on the command line, when its type
// is the key's: the range and the name are then checked by `set` itself.
std::optional<std::string> asText(const SettingKey &key, const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        if (key.kind == SettingKey::Kind::Switch)
            return value.toBool() ? "on" : "off";
        return std::nullopt;
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        if (key.kind == SettingKey::Kind::Number)
            return std::to_string(value.toULongLong());
        return std::nullopt;
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::LongLong:
        if (key.kind == SettingKey::Kind::Number)
            return std::to_string(value.toLongLong());
        return std::nullopt;
    case QMetaType::QString:
        if (key.kind == SettingKey::Kind::Mode)
            return value.toString().toStdString();
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::string typeError(const SettingKey &key)
{
    switch (key.kind) {
    case SettingKey::Kind::Mode:
        return std::string(key.name) + " must be a string: " + SettingKey::modeChoices();
    case SettingKey::Kind::Number:
        return std::string(key.name) + " must be an integer";
    case SettingKey::Kind::Switch:
        break;
    }
    return std::string(key.name) + " must be a boolean";
}

// `set` says why it does not take a key (preset and connected have reasons
// of their own); a name it would read as something else is simply unknown.
std::string unknownKey(const std::string &name)
{
    const CommandLine::Parsed refused = CommandLine::parse({"set", name + "="});
    if (name.empty() || name.find('=') != std::string::npos || refused.command)
        return "unknown key '" + name + "'";
    return refused.error;
}

} // namespace

CommandLine::Parsed SettingsDictionary::parse(const QVariantMap &settings)
{
    if (settings.isEmpty())
        return {std::nullopt, "Set needs at least one setting"};
    std::vector<std::string> words{"set"};
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const std::string name = it.key().toStdString();
        const SettingKey *key = SettingKey::find(name);
        if (!key)
            return {std::nullopt, unknownKey(name)};
        const std::optional<std::string> text = asText(*key, it.value());
        if (!text)
            return {std::nullopt, typeError(*key)};
        words.push_back(name + "=" + *text);
    }
    return CommandLine::parse(words);
}
