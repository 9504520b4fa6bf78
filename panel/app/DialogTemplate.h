// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A dialog and its controls as the resource file describes them, positions
// in dialog units; also the menus of the same file.
struct ControlTemplate {
    QString kind; // CHECKBOX, PUSHBUTTON, PUSHLIKE, RADIO, GROUPBOX, LTEXT, EDIT, UPDOWN
    int id = 0;
    QRect rect;
    QStringList flags; // HIDDEN, DISABLED, BORDER, AUTOHSCROLL
    QString caption;
    bool has(const char *flag) const { return flags.contains(QLatin1String(flag)); }
};

struct MenuItemTemplate {
    enum class Check { None, Checkable, Radio };
    int command = 0; // 0: a separator; a submenu's id
    QString caption;
    bool isDefault = false;
    Check check = Check::None;
    std::vector<MenuItemTemplate> items; // a submenu's items, never empty in one
    bool isSeparator() const { return command == 0; }
    bool isSubmenu() const { return !items.empty(); }
};

struct MenuTemplate {
    int id = 0;
    QString caption;
    std::vector<MenuItemTemplate> items;
};

struct DialogTemplate {
    int id = 0;
    QRect rect;
    int fontPointSize = 8;
    QString fontFamily;
    QString caption;
    std::vector<ControlTemplate> controls;
    std::vector<MenuTemplate> menus;

    // Empty with a line number in error when the text is not a template.
    static std::optional<DialogTemplate> parse(const QString &text, QString *error = nullptr);
    const ControlTemplate *control(int id) const;
    const MenuTemplate *menu(int id) const;
};
