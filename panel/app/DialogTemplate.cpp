// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogTemplate.h"

#include <QRegularExpression>

namespace {

// Words, and captions in double quotes (a caption may hold blanks).
QStringList tokens(const QString &line)
{
    static const QRegularExpression token(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
    QStringList words;
    for (auto it = token.globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        words << (match.capturedStart(1) >= 0 ? QStringLiteral("\"%1").arg(match.captured(1))
                                              : match.captured(2));
    }
    return words;
}

bool isCaption(const QString &word)
{
    return word.startsWith(QLatin1Char('"'));
}

bool numbers(const QStringList &words, int first, int count, std::vector<int> &out)
{
    if (words.size() < first + count)
        return false;
    for (int i = first; i < first + count; ++i) {
        bool ok = false;
        out.push_back(words[i].toInt(&ok));
        if (!ok)
            return false;
    }
    return true;
}

MenuItemTemplate menuItem(int command, const QStringList &words)
{
    MenuItemTemplate item;
    item.command = command;
    item.caption = words[2].mid(1);
    item.isDefault = words.contains(QStringLiteral("DEFAULT"));
    if (words.contains(QStringLiteral("RADIO")))
        item.check = MenuItemTemplate::Check::Radio;
    else if (words.contains(QStringLiteral("CHECKABLE")))
        item.check = MenuItemTemplate::Check::Checkable;
    return item;
}

} // namespace

std::optional<DialogTemplate> DialogTemplate::parse(const QString &text, QString *error)
{
    DialogTemplate dialog;
    bool haveDialog = false;
    // The submenu that items go into until its END.
    MenuItemTemplate *submenu = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList words = tokens(line);
        const QString kind = words.first();
        std::vector<int> values;
        bool ok = true;
        if (kind == QLatin1String("DIALOG")) {
            ok = numbers(words, 1, 6, values) && words.size() == 9 && isCaption(words[7]) &&
                 isCaption(words[8]);
            if (ok) {
                dialog.id = values[0];
                dialog.rect = QRect(values[1], values[2], values[3], values[4]);
                dialog.fontPointSize = values[5];
                dialog.fontFamily = words[7].mid(1);
                dialog.caption = words[8].mid(1);
                haveDialog = true;
            }
        } else if (kind == QLatin1String("MENU")) {
            ok = !submenu && numbers(words, 1, 1, values) && words.size() == 3 &&
                 isCaption(words[2]);
            if (ok)
                dialog.menus.push_back({values[0], words[2].mid(1), {}});
        } else if (kind == QLatin1String("POPUP")) {
            ok = !dialog.menus.empty() && !submenu && numbers(words, 1, 1, values) &&
                 values[0] != 0 && words.size() == 3 && isCaption(words[2]);
            if (ok) {
                submenu = &dialog.menus.back().items.emplace_back();
                submenu->command = values[0];
                submenu->caption = words[2].mid(1);
            }
        } else if (kind == QLatin1String("END")) {
            ok = submenu && submenu->isSubmenu() && words.size() == 1;
            submenu = nullptr;
        } else if (kind == QLatin1String("MENUITEM")) {
            ok = !dialog.menus.empty() && numbers(words, 1, 1, values) && values[0] != 0 &&
                 words.size() >= 3 && isCaption(words[2]);
            if (ok)
                (submenu ? submenu->items : dialog.menus.back().items)
                    .push_back(menuItem(values[0], words));
        } else if (kind == QLatin1String("MENUSEPARATOR")) {
            ok = !dialog.menus.empty() && words.size() == 1;
            if (ok)
                (submenu ? submenu->items : dialog.menus.back().items).push_back({});
        } else {
            ok = numbers(words, 1, 5, values);
            if (ok) {
                ControlTemplate control{
                    kind, values[0], QRect(values[1], values[2], values[3], values[4]), {}, {}};
                for (int i = 6; i < words.size(); ++i) {
                    if (isCaption(words[i]))
                        control.caption = words[i].mid(1);
                    else
                        control.flags << words[i];
                }
                dialog.controls.push_back(control);
            }
        }
        if (!ok) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(line);
            return std::nullopt;
        }
    }
    if (submenu) {
        if (error)
            *error = QStringLiteral("POPUP without END");
        return std::nullopt;
    }
    if (!haveDialog) {
        if (error)
            *error = QStringLiteral("no DIALOG line");
        return std::nullopt;
    }
    return dialog;
}

const ControlTemplate *DialogTemplate::control(int id) const
{
    for (const ControlTemplate &c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

const MenuTemplate *DialogTemplate::menu(int id) const
{
    for (const MenuTemplate &m : menus)
        if (m.id == id)
            return &m;
    return nullptr;
}
