// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusDictionary.h"

#include "SettingKeys.h"

QVariantMap StatusDictionary::of(const PanelStatus &status)
{
    QVariantMap map;
    map.insert(QStringLiteral("connected"), status.connected);
    if (status.preset)
        map.insert(QStringLiteral("preset"), *status.preset);
    if (!status.values)
        return map;
    for (const SettingKey &key : SettingKey::all()) {
        const QString name = QString::fromLatin1(key.name.data(), qsizetype(key.name.size()));
        switch (key.kind) {
        case SettingKey::Kind::Mode:
            if (const auto mode = status.mode ? SettingKey::modeName(*status.mode) : std::nullopt)
                map.insert(name, QString::fromLatin1(mode->data(), qsizetype(mode->size())));
            break;
        case SettingKey::Kind::Number:
            map.insert(name, *status.values.*key.number);
            break;
        case SettingKey::Kind::Switch:
            map.insert(name, *status.values.*key.flag);
            break;
        }
    }
    return map;
}
