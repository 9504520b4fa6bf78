// SPDX-License-Identifier: GPL-3.0-or-later
// The resource file the main window is built from, and the device ids typed
// into its hidden edits.
#include "DialogTemplate.h"
#include "CVarnelApp.h"
#include "DeviceConnection.h"
#include "DialogBuilder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

DialogTemplate load()
{
    QFile file(QStringLiteral(ORLENTA_RESOURCES_DIR "/Orlenta.tpl"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QString error;
    auto parsed = DialogTemplate::parse(QString::fromUtf8(file.readAll()), &error);
    EXPECT_TRUE(parsed.has_value()) << error.toStdString();
    return parsed.value_or(DialogTemplate{});
}

TEST(DialogTemplate, MainDialogHasEveryControlWithItsPlace)
{
    const DialogTemplate dialog = load();
    EXPECT_EQ(dialog.id, 102);
    EXPECT_EQ(dialog.caption, QStringLiteral("Orlenta HD"));
    EXPECT_EQ(dialog.rect, QRect(0, 0, 586, 615));
    EXPECT_EQ(dialog.fontFamily, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(dialog.fontPointSize, 8);
    EXPECT_EQ(dialog.control(1130)->rect, QRect(7, 46, 279, 51));
    EXPECT_EQ(dialog.control(1181)->rect, QRect(153, 209, 125, 13));
    EXPECT_EQ(dialog.control(1150)->caption, QStringLiteral("Reset to factory settings"));
    EXPECT_EQ(dialog.control(1127)->caption, QStringLiteral("Ducking Threshold:"));
    EXPECT_EQ(dialog.control(1147)->kind, QStringLiteral("PUSHLIKE"));
    EXPECT_TRUE(dialog.control(1153)->has("HIDDEN"));
    for (int id = 1102; id <= 1110; ++id)
        EXPECT_EQ(dialog.control(id)->kind, QStringLiteral("EDIT")) << id;
    for (int id : {1086, 1087, 1090, 1092, 1093, 1094, 1095, 1096, 1097, 1159, 1160, 1161})
        EXPECT_EQ(dialog.control(id)->kind, QStringLiteral("UPDOWN")) << id;
    for (int id : {1049, 1050, 1022, 1023, 1073, 1111, 1112, 1113, 1177, 1,    1099, 1100, 1131,
                   1151, 1162, 1163, 1164, 1165, 1173, 1174, 1175, 1178, 1179, 1180, 1182, 1183})
        EXPECT_NE(dialog.control(id), nullptr) << id;
    const MenuTemplate *menu = dialog.menu(146);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->caption, QStringLiteral("menu"));
    // Show or hide first, the presets as one radio group, the options with
    // the notifications' submenu, Exit last.
    ASSERT_EQ(menu->items.size(), 12u);
    EXPECT_EQ(menu->items[0].command, 32773);
    EXPECT_TRUE(menu->items[0].isDefault);
    EXPECT_TRUE(menu->items[1].isSeparator());
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_EQ(menu->items[i].caption, QStringLiteral("Preset &%1").arg(i - 1));
        EXPECT_EQ(menu->items[i].check, MenuItemTemplate::Check::Radio);
    }
    EXPECT_EQ(menu->items[7].caption, QStringLiteral("Start at &login"));
    EXPECT_EQ(menu->items[7].check, MenuItemTemplate::Check::Checkable);
    EXPECT_EQ(menu->items[8].caption, QStringLiteral("&Restore preset when the card returns"));
    EXPECT_EQ(menu->items[8].check, MenuItemTemplate::Check::Checkable);
    EXPECT_EQ(menu->items[9].caption, QStringLiteral("&Notifications"));
    ASSERT_EQ(menu->items[9].items.size(), 5u);
    EXPECT_TRUE(menu->items[9].items[1].isSeparator());
    for (std::size_t i : {0u, 2u, 3u, 4u})
        EXPECT_EQ(menu->items[9].items[i].check, MenuItemTemplate::Check::Checkable);
    EXPECT_EQ(menu->items[11].command, 32772);
    EXPECT_EQ(menu->items[11].caption, QStringLiteral("E&xit"));
    EXPECT_EQ(menu->items[11].check, MenuItemTemplate::Check::None);
}

TEST(DialogTemplate, MenuItemsMayBeCheckable)
{
    const auto dialog = DialogTemplate::parse(QStringLiteral(
        "DIALOG 1 0 0 1 1 8 \"F\" \"T\"\nMENU 2 \"m\"\n"
        "MENUITEM 3 \"Start at login\" CHECKABLE\nMENUSEPARATOR\nMENUITEM 4 \"x\"\n"));
    ASSERT_TRUE(dialog.has_value());
    const auto &items = dialog->menu(2)->items;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].check, MenuItemTemplate::Check::Checkable);
    EXPECT_FALSE(items[0].isDefault);
    EXPECT_TRUE(items[1].isSeparator());
    EXPECT_EQ(items[2].check, MenuItemTemplate::Check::None);
}

TEST(DialogTemplate, APopupHoldsTheItemsUpToItsEnd)
{
    const auto dialog = DialogTemplate::parse(
        QStringLiteral("DIALOG 1 0 0 1 1 8 \"F\" \"T\"\nMENU 2 \"m\"\nPOPUP 3 \"sub\"\n"
                       "MENUITEM 4 \"a\" CHECKABLE\nMENUSEPARATOR\nEND\nMENUITEM 5 \"b\"\n"));
    ASSERT_TRUE(dialog.has_value());
    const auto &items = dialog->menu(2)->items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(items[0].isSubmenu());
    EXPECT_EQ(items[0].command, 3);
    ASSERT_EQ(items[0].items.size(), 2u);
    EXPECT_EQ(items[0].items[0].command, 4);
    EXPECT_TRUE(items[0].items[1].isSeparator());
    EXPECT_EQ(items[1].command, 5);

    // A popup that is empty, nested, or never ended is no menu.
    const QString head = QStringLiteral("DIALOG 1 0 0 1 1 8 \"F\" \"T\"\nMENU 2 \"m\"\n");
    for (const char *broken :
         {"POPUP 3 \"s\"\nEND\n", "POPUP 3 \"s\"\nPOPUP 4 \"t\"\nMENUITEM 5 \"x\"\nEND\nEND\n",
          "POPUP 3 \"s\"\nMENUITEM 5 \"x\"\n", "END\n"})
        EXPECT_FALSE(DialogTemplate::parse(head + QString::fromLatin1(broken)).has_value())
            << broken;
}

TEST(DialogTemplate, BrokenTextIsRefusedWithItsLine)
{
    QString error;
    EXPECT_FALSE(DialogTemplate::parse(QStringLiteral("EDIT 1102 1 2 x 4\n"), &error).has_value());
    EXPECT_FALSE(DialogTemplate::parse(QStringLiteral("# only a comment\n"), &error).has_value());
    EXPECT_FALSE(DialogTemplate::parse(
                     QStringLiteral("DIALOG 102 0 0 1 1 8 \"F\" \"T\"\nMENUITEM 1 \"x\"\n"), &error)
                     .has_value());
    EXPECT_EQ(error, QStringLiteral("line 2: MENUITEM 1 \"x\""));
}

TEST(DialogBuilder, DialogUnitsFollowTheFontsBaseUnits)
{
    // The classic 8-point base units: 6 by 13 pixels.
    EXPECT_EQ(DialogBuilder::toPixels(QRect(7, 46, 279, 51), QPointF(6, 13)),
              QRect(11, 75, 419, 83));
    EXPECT_EQ(DialogBuilder::toPixels(QRect(0, 0, 4, 8), QPointF(7, 14)), QRect(0, 0, 7, 14));
}

TEST(DeviceConnection, IdsAreTheFirstFourCharactersAsHexDigits)
{
    EXPECT_EQ(DeviceConnection::parseId("0C45"), 0x0C45);
    EXPECT_EQ(DeviceConnection::parseId("1f7d"), 0x1F7D);
    EXPECT_EQ(DeviceConnection::parseId("1F7D99"), 0x1F7D);
    EXPECT_EQ(DeviceConnection::parseId("0G45"), 0x0045);
    EXPECT_EQ(DeviceConnection::parseId("C45"), 0xC450);
    EXPECT_EQ(DeviceConnection::parseId(""), 0);
}

TEST(CVarnelApp, TextsAreEnglishWhateverTheSystemLanguage)
{
    const auto simplified = CVarnelApp::chooseLanguage(QLocale(QStringLiteral("zh_CN")));
    EXPECT_TRUE(simplified.chineseSystem);
    EXPECT_TRUE(simplified.englishText);
    EXPECT_EQ(simplified.uiLanguage.territory(), QLocale::China);

    const auto traditional = CVarnelApp::chooseLanguage(QLocale(QStringLiteral("zh_TW")));
    EXPECT_FALSE(traditional.chineseSystem);
    EXPECT_TRUE(traditional.englishText);
    EXPECT_EQ(traditional.uiLanguage.territory(), QLocale::Taiwan);

    for (const char *name : {"en_US", "de_DE", "C"}) {
        const auto other = CVarnelApp::chooseLanguage(QLocale(QString::fromLatin1(name)));
        EXPECT_FALSE(other.chineseSystem) << name;
        EXPECT_TRUE(other.englishText) << name;
        EXPECT_EQ(other.uiLanguage, QLocale(QLocale::English, QLocale::UnitedStates)) << name;
    }
}

} // namespace
