// SPDX-License-Identifier: GPL-3.0-or-later
// The main window, its tray icon and menu and its visibility rules, over a
// session with no card behind it: what they show of the session, and which
// call of the session each click makes.
#include "AutostartEntry.h"
#include "CTrayIcon.h"
#include "CVarnelDlg.h"
#include "ControlIds.h"
#include "DesktopOptions.h"
#include "FakeCardSession.h"
#include "PanelFixture.h"
#include "ParameterBlock.h"
#include "TrayMenu.h"
#include "UpDownControl.h"
#include "WindowVisibility.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

class WindowTest : public QObject {
    Q_OBJECT

private:
    struct Window {
        QTemporaryDir folder;
        FakeCardSession session;
        RecordingMessageBoxes messages;
        CVarnelDlg dialog{session, &messages};
        CTrayIcon tray;
        WindowVisibility visibility{dialog, tray};
        AutostartEntry autostart{folder.filePath(QStringLiteral("autostart")).toStdString()};
        DesktopOptions options{folder.filePath(QStringLiteral("setting.ini")).toStdString()};
        std::unique_ptr<TrayMenu> menu;

        Window()
        {
            const MenuTemplate *items = dialog.dialogTemplate().menu(TrayMenu::kMenuId);
            tray.setActivationHandler([this] { visibility.toggle(); });
            tray.Create(QStringLiteral("NUV Control"), dialog.icon(), *items);
            tray.appear();
            menu = std::make_unique<TrayMenu>(tray, session, dialog, visibility, autostart, options,
                                              ORLENTA_SIM_STAGE_DIR);
        }
    };
    std::unique_ptr<Window> w_;

    CVarnelDlg &dialog() { return w_->dialog; }
    FakeCardSession &session() { return w_->session; }
    QLineEdit *edit(int id) { return qobject_cast<QLineEdit *>(dialog().control(id)); }
    QAbstractButton *button(int id)
    {
        return qobject_cast<QAbstractButton *>(dialog().control(id));
    }
    UpDownControl *spin(int id) { return dynamic_cast<UpDownControl *>(dialog().control(id)); }
    bool enabled(int id) { return dialog().control(id)->isEnabled(); }
    QAction *trayItem(int id) { return w_->tray.item(id); }

private slots:
    void init() { w_ = std::make_unique<Window>(); }
    void cleanup() { w_.reset(); }

    void windowCarriesTheTemplate()
    {
        QCOMPARE(dialog().objectName(), QStringLiteral("102"));
        QCOMPARE(dialog().windowTitle(), QStringLiteral("Orlenta HD"));
        QCOMPARE(button(1150)->text(), QStringLiteral("Reset to factory settings"));
        QCOMPARE(button(1185)->text(), QStringLiteral("Record>>"));
        QCOMPARE(button(1117)->text(), QStringLiteral("Chat"));
        QCOMPARE(button(1145)->text(), QStringLiteral("1"));
        QCOMPARE(edit(1049)->text(), QStringLiteral("0C45"));
        QCOMPARE(edit(1050)->text(), QStringLiteral("1F7D"));
        QCOMPARE(edit(1049)->maxLength(), 4);
        QCOMPARE(spin(1092)->low(), 1);
        QCOMPARE(spin(1092)->high(), 6);
        QCOMPARE(spin(1097)->high(), 8);
        QCOMPARE(spin(1159)->high(), 15);
        QCOMPARE(edit(1102)->font().pixelSize(), 21);
        QVERIFY(edit(1102)->font().bold());
        QCOMPARE(button(1114)->font().pixelSize(), 14);
        dialog().show();
        for (int id : {1049, 1050, 1022, 1023, 1073, 1112, 1111, 1113, 1177, 1, 1099, 1181, 1179,
                       1151, 1153})
            QVERIFY2(!dialog().control(id)->isVisible(), qPrintable(QString::number(id)));
        QVERIFY(dialog().control(1185)->isVisible());
        QVERIFY(!enabled(1100));
        // Compact: the mode group with its left margin on the right too, down
        // to the hidden static plus 10.
        const QRect mode = dialog().control(1130)->geometry();
        QCOMPARE(dialog().width(), mode.left() + mode.right() + 1);
        QCOMPARE(dialog().height(), dialog().control(1181)->geometry().bottom() + 1 + 10);
        QVERIFY(dialog().control(1141)->geometry().left() > dialog().width());
    }

    // Nothing read: every control shows nothing and takes nothing; the card's
    // block shows in every control; its removal disables them again.
    void theWindowShowsWhatTheSessionShows()
    {
        for (int id : {1102, 1086, 1114, 1132, 1145, 1150, 1185})
            QVERIFY(!enabled(id));
        session().setCardState(CardState::Ready);
        const ParameterBlock block({0x85, 0x09, 0x47, 0x0B, 0x1B, 0xE6, 0x1D, 0xC3});
        session().report(block.unpack());
        QCOMPARE(edit(1102)->text(), QStringLiteral("11"));
        QCOMPARE(edit(1108)->text(), QStringLiteral("2"));
        QCOMPARE(edit(1153)->text(), QStringLiteral("5"));
        QVERIFY(button(1117)->isChecked());
        QVERIFY(!button(1116)->isChecked());
        QVERIFY(button(ControlId::kRecMute)->isChecked());
        QVERIFY(!button(ControlId::kMicMute)->isChecked());
        QVERIFY(button(1145)->isChecked());
        for (int id : {1102, 1086, 1114, 1132, 1145, 1150, 1185})
            QVERIFY2(enabled(id), qPrintable(QString::number(id)));
        QVERIFY(!enabled(1153));

        session().setCardState(CardState::Absent);
        for (int id : {1102, 1086, 1114, 1132, 1145, 1150, 1185})
            QVERIFY(!enabled(id));
    }

    void everyClickIsOneCallOfTheSession()
    {
        session().setCardState(CardState::Ready);
        spin(1086)->upButton()->click();
        QCOMPARE(edit(1102)->text(), QStringLiteral("13"));
        spin(1092)->downButton()->click();
        button(1119)->click();
        button(ControlId::kMicMute)->click();
        button(1148)->click();
        button(ControlId::kFactoryReset)->click();
        QCOMPARE(session().calls,
                 (std::vector<std::string>{"step 1086 +1", "step 1092 -1", "mode 5",
                                           "switch 1132 on", "preset 3", "reset"}));
        QVERIFY(button(1116)->isChecked()); // the factory mode
        QVERIFY(button(1148)->isChecked());
        QVERIFY(!button(1145)->isChecked());

        // The selected preset's button again: it stays selected.
        session().calls.clear();
        button(1148)->click();
        QVERIFY(button(1148)->isChecked());
        QCOMPARE(session().calls, std::vector<std::string>{"preset 3"});
    }

    // A number typed goes to the session as the user types it; the box keeps
    // the text while it means the same number, and nothing is written.
    void typedNumbersReachTheSessionWithoutAWrite()
    {
        session().setCardState(CardState::Ready);
        edit(1103)->clear();
        QTest::keyClicks(edit(1103), QStringLiteral("9x"));
        QCOMPARE(edit(1103)->text(), QStringLiteral("9x"));
        QCOMPARE(session().shown().values().musicVol, 9);
        for (const std::string &call : session().calls)
            QVERIFY2(!call.starts_with("step") && !call.starts_with("switch"), call.c_str());
        edit(1103)->setText(QStringLiteral("99"));
        QCOMPARE(session().shown().values().musicVol, 99);
    }

    void enterDoesNothingEscapeEnds()
    {
        dialog().show();
        QSignalSpy finished(&dialog(), &QDialog::finished);
        QTest::keyClick(edit(1102), Qt::Key_Return);
        QVERIFY(dialog().isVisible());
        QVERIFY(!session().isEnding());

        QTest::keyClick(&dialog(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QVERIFY(session().isEnding());
    }

    // Said once the session tells it, after whatever is under way returned.
    void theSessionsWarningsAreShownWithTheirFix()
    {
        emit session().accessDenied();
        emit session().settingsNotSaved(QStringLiteral("/home/u/.config/Orlenta"));
        QVERIFY(w_->messages.shown.empty());
        QTRY_COMPARE(w_->messages.shown.size(), std::size_t{2});
        QVERIFY(w_->messages.shown[0].first.find("70-orlenta.rules") != std::string::npos);
        QVERIFY(w_->messages.shown[0].first.find("Running against a real card") !=
                std::string::npos);
        QCOMPARE(w_->messages.shown[0].second, std::string("Message"));
        QVERIFY(w_->messages.shown[1].first.find("/home/u/.config/Orlenta") != std::string::npos);
    }

    // An XEmbed tray reports a double click as a click followed by a double
    // click: only the double click toggles, once.
    void xembedTrayTogglesOnDoubleClickOnly()
    {
        dialog().show();
        CTrayIcon &tray = w_->tray;
        tray.setKindProbe([] { return CTrayIcon::Kind::XEmbed; });
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::Context);
        QVERIFY(dialog().isVisible());
    }

    // A StatusNotifierItem host reports every click as one activation and
    // never a double click: a single click toggles.
    void statusNotifierTrayTogglesOnEveryClick()
    {
        dialog().show();
        CTrayIcon &tray = w_->tray;
        tray.setKindProbe([] { return CTrayIcon::Kind::StatusNotifierItem; });
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(dialog().isVisible());
        emit tray.icon()->activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(dialog().isVisible());
    }

    void trayMenuShowsHidesAndExitsLast()
    {
        dialog().show();
        CTrayIcon &tray = w_->tray;
        // No notification area offscreen: the panel runs without the icon.
        QVERIFY(!tray.isEnabled());
        QCOMPARE(tray.icon()->toolTip(), QStringLiteral("NUV Control\nNo card"));
        QCOMPARE(tray.menu()->title(), QStringLiteral("menu"));
        QList<QAction *> items;
        for (QAction *action : tray.menu()->actions())
            if (!action->isSeparator())
                items << action;
        QCOMPARE(items.size(), 9);
        QCOMPARE(items[0]->text(), QStringLiteral("&Hide Orlenta"));
        QVERIFY(items[0]->font().bold());
        for (int n = 1; n <= 4; ++n) {
            QCOMPARE(items[n]->text(), QStringLiteral("Preset &%1").arg(n));
            QVERIFY(items[n]->isCheckable());
        }
        QCOMPARE(items[5]->text(), QStringLiteral("Start at &login"));
        QVERIFY(items[5]->isCheckable());
        QCOMPARE(items[7]->text(), QStringLiteral("&Notifications"));
        QVERIFY(items[7]->menu());
        QCOMPARE(items[8]->text(), QStringLiteral("E&xit"));
        QCOMPARE(items[8]->objectName(), QStringLiteral("32772"));
        // Every item has its key, and no two items of a menu share one.
        for (QMenu *menu : {tray.menu(), items[7]->menu()}) {
            QSet<QChar> keys;
            int named = 0;
            for (QAction *action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                const qsizetype mark = action->text().indexOf(QLatin1Char('&'));
                QVERIFY2(mark >= 0 && mark + 1 < action->text().size(), qPrintable(action->text()));
                keys.insert(action->text().at(mark + 1).toLower());
                ++named;
            }
            QCOMPARE(keys.size(), named);
        }

        items[0]->trigger();
        QVERIFY(!dialog().isVisible());
        QCOMPARE(items[0]->text(), QStringLiteral("&Show Orlenta"));
        items[0]->trigger();
        QVERIFY(dialog().isVisible());
        QCOMPARE(items[0]->text(), QStringLiteral("&Hide Orlenta"));

        QSignalSpy finished(&dialog(), &QDialog::finished);
        items[8]->trigger();
        QVERIFY(session().isEnding());
        QCOMPARE(finished.count(), 1);
    }

    void trayPresetsFollowAndLoadThePresets()
    {
        auto preset = [&](int n) { return trayItem(TrayMenu::kPresetItems[n - 1]); };
        session().setCardState(CardState::Ready);
        QVERIFY(preset(1)->isChecked());
        QVERIFY(preset(3)->isEnabled());

        // A preset loaded anywhere moves the check in the menu too.
        session().loadPreset(2, {});
        QVERIFY(preset(2)->isChecked());
        QVERIFY(!preset(1)->isChecked());
        session().calls.clear();

        // Choosing "Preset 3" is a click on preset button 3.
        preset(3)->trigger();
        QCOMPARE(session().calls, std::vector<std::string>{"preset 3"});
        QVERIFY(button(1148)->isChecked());
        QVERIFY(preset(3)->isChecked());
        QVERIFY(!preset(2)->isChecked());

        // While the preset buttons take no clicks, neither do the menu's presets.
        session().setCardState(CardState::Absent);
        QVERIFY(!preset(4)->isEnabled());
        preset(4)->trigger();
        QCOMPARE(session().calls, std::vector<std::string>{"preset 3"});
    }

    // The icon shows the card's state (no card, the microphone muted) and
    // the tooltip its mode, preset and master volume.
    void trayIconAndTooltipFollowTheCard()
    {
        QSystemTrayIcon &icon = *w_->tray.icon();
        auto shows = [&](const char *name) {
            return icon.icon().pixmap(22).toImage() ==
                   QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)))
                       .pixmap(22)
                       .toImage();
        };
        QVERIFY(shows("org.orlenta.Orlenta-no-card"));
        PanelValues values = ParameterBlock::factory().unpack();
        values.micMute = true;
        values.masterVol = 9;
        session().setCardState(CardState::Ready);
        session().report(values);
        QVERIFY(shows("org.orlenta.Orlenta-mic-muted"));
        QCOMPARE(icon.toolTip(),
                 QStringLiteral("NUV Control\nMode: Sing · Preset 1 · Master volume 9"));
        session().setCardState(CardState::Absent);
        QVERIFY(shows("org.orlenta.Orlenta-no-card"));
        QCOMPARE(icon.toolTip(), QStringLiteral("NUV Control\nNo card"));
    }

    // The notifications' switches and "Restore preset when the card returns"
    // live in setting.ini beside what is there already; a fresh file has
    // every notification on and no restoring.
    void trayOptionsAreKeptInTheSettingsFile()
    {
        QFile ini(w_->folder.filePath(QStringLiteral("setting.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[setting]\nCurrentConfig=3\n");
        ini.close();
        const std::filesystem::path file = ini.fileName().toStdString();
        w_->options = DesktopOptions(file);
        w_->menu->update();
        auto item = [&](int id) { return trayItem(id); };
        using Option = DesktopOptions::Option;
        for (int id : {32781, 32782, 32783, 32784}) {
            QVERIFY2(item(id)->isChecked(), qPrintable(QString::number(id)));
            QVERIFY(item(id)->isEnabled());
        }
        QVERIFY(!item(32779)->isChecked());

        item(32783)->trigger(); // changes made on the card: off
        item(32779)->trigger(); // restore: on
        item(32781)->trigger(); // no notifications at all
        QVERIFY(!item(32783)->isChecked());
        QVERIFY(item(32779)->isChecked());
        for (int id : {32782, 32783, 32784})
            QVERIFY(!item(id)->isEnabled());
        QVERIFY(item(32782)->isChecked());

        const DesktopOptions stored(file);
        QVERIFY(!stored.isOn(Option::Notifications));
        QVERIFY(!stored.isOn(Option::CardChangeNotices));
        QVERIFY(stored.isOn(Option::ConnectionNotices));
        QVERIFY(stored.isOn(Option::RestorePreset));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("CurrentConfig=3"));
    }

    // Without a notification area a hidden window could not come back:
    // minimise keeps it on the taskbar, the close box ends the program, and a
    // command's hide or a hidden start minimises.
    void withoutATrayMinimiseStaysOnTheTaskbarAndCloseExits()
    {
        dialog().show();
        QVERIFY(!CTrayIcon::isAvailable());
        dialog().showMinimized();
        QTRY_VERIFY(dialog().isMinimized());
        QTest::qWait(50);
        QVERIFY(dialog().isVisible());
        QVERIFY(dialog().isMinimized());
        w_->visibility.bringToFront();
        QVERIFY(!dialog().isMinimized());
        w_->visibility.hideWindow();
        QTRY_VERIFY(dialog().isMinimized());
        QVERIFY(dialog().isVisible());
        w_->visibility.showWindow({});
        QVERIFY(!dialog().isMinimized());

        QSignalSpy finished(&dialog(), &QDialog::finished);
        dialog().close();
        QCOMPARE(finished.count(), 1);
        QVERIFY(session().isEnding());
    }

    void aHiddenStartWithoutATrayIsMinimised()
    {
        w_->visibility.showAtStart(true);
        QTRY_VERIFY(dialog().isMinimized());
        QVERIFY(dialog().isVisible());
        init();
        w_->visibility.showAtStart(false);
        QVERIFY(dialog().isVisible());
        QVERIFY(!dialog().isMinimized());
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
