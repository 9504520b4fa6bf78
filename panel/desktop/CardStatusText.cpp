// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardStatusText.h"

#include "SettingKeys.h"

#include <array>
#include <string_view>

namespace {

const QString kSeparator = QStringLiteral(" · ");

// As the window's mode buttons say them.
constexpr std::array<const char *, 6> kModeNames{"Music", "Chat", "LWRD", "Sing", "MC", "Master"};

struct Label {
    std::string_view key;
    const char *words;
};
// Numbers read "<words> <value>", switches "<words> muted/unmuted" or, for
// Sound Mix, "<words> on/off".
constexpr std::array<Label, 13> kLabels{{
    {"master-vol", "Master volume"},
    {"music-vol", "Music volume"},
    {"rec-vol", "Recording volume"},
    {"fx-type", "Effect type"},
    {"fx-intensity", "Effect intensity"},
    {"fx-vol", "Effect volume"},
    {"ducking-threshold", "Ducking threshold"},
    {"ducking-speed", "Ducking speed"},
    {"ducking-grade", "Ducking grade"},
    {"mic-mute", "Mic"},
    {"music-mute", "Music"},
    {"rec-mute", "Recording"},
    {"sound-mix", "Sound Mix"},
}};

QString words(std::string_view key)
{
    for (const Label &label : kLabels)
        if (label.key == key)
            return QString::fromLatin1(label.words);
    return QString::fromLatin1(key.data(), static_cast<int>(key.size()));
}

QString phrase(const SettingKey &key, const PanelValues &values)
{
    if (key.kind == SettingKey::Kind::Number)
        return words(key.name) + QLatin1Char(' ') + QString::number(values.*key.number);
    const bool on = values.*key.flag;
    if (key.name == "sound-mix")
        return words(key.name) + (on ? QStringLiteral(" on") : QStringLiteral(" off"));
    return words(key.name) + (on ? QStringLiteral(" muted") : QStringLiteral(" unmuted"));
}

// "Music" ... "Master" for codes 0-5; empty for any other.
QString modeName(int code)
{
    if (code < 0 || code >= static_cast<int>(kModeNames.size()))
        return {};
    return QString::fromLatin1(kModeNames[static_cast<std::size_t>(code)]);
}

} // namespace

QString CardStatusText::iconName(CardState card, const PanelState &shown)
{
    if (!isConnected(card))
        return QString::fromLatin1(kNoCardIcon);
    if (card == CardState::Ready && shown.values().micMute)
        return QString::fromLatin1(kMicMutedIcon);
    return QString::fromLatin1(kAppIcon);
}

QString CardStatusText::line(CardState card, const PanelState &shown)
{
    switch (card) {
    case CardState::Ready:
        break;
    case CardState::Opening:
    case CardState::NotAnswering:
        return QStringLiteral("Card not read yet");
    case CardState::AccessDenied:
        return QStringLiteral("Card not accessible");
    case CardState::Absent:
    case CardState::NoLibrary:
        return QStringLiteral("No card");
    }
    QStringList parts;
    if (shown.mode())
        parts << QStringLiteral("Mode: ") + modeName(*shown.mode());
    if (shown.preset() != 0)
        parts << QStringLiteral("Preset %1").arg(shown.preset());
    parts << words("master-vol") + QLatin1Char(' ') + QString::number(shown.values().masterVol);
    return parts.join(kSeparator);
}

QStringList CardStatusText::differences(const PanelState &before, const PanelState &after)
{
    QStringList phrases;
    if (after.mode() && after.mode() != before.mode())
        phrases << QStringLiteral("Mode: ") + modeName(*after.mode());
    for (const SettingKey &key : SettingKey::all()) {
        if (key.kind == SettingKey::Kind::Number &&
            before.values().*key.number != after.values().*key.number)
            phrases << phrase(key, after.values());
        else if (key.kind == SettingKey::Kind::Switch &&
                 before.values().*key.flag != after.values().*key.flag)
            phrases << phrase(key, after.values());
    }
    return phrases;
}
