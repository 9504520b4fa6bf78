// SPDX-License-Identifier: GPL-3.0-or-later
// The panel window as a screen reader and the keyboard meet it: every
// control a user can reach is named, has the role that fits and, for a value,
// its value and range; the keys step values as the arrows do; Tab stays in
// what can be seen; what changes is told (on X11, where Qt has the platform
// accessibility that carries events to a screen reader).
#include "CVarnelDlg.h"
#include "ControlIds.h"
#include "FakeCardSession.h"
#include "PanelFixture.h"
#include "ParameterBlock.h"
#include "RecorderDock.h"
#include "UpDownControl.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include <map>
#include <memory>
#include <vector>

namespace {

// What the last accessibility events were, as a screen reader would hear them.
std::vector<std::pair<QObject *, QAccessible::Event>> heard;
std::vector<QVariant> heardValues;

void hear(QAccessibleEvent *event)
{
    heard.emplace_back(event->object(), event->type());
    if (event->type() == QAccessible::ValueChanged)
        heardValues.push_back(static_cast<QAccessibleValueChangeEvent *>(event)->value());
}

const std::map<int, QString> kValueNames{
    {1102, "Master Vol"},        {1103, "Music Vol"},     {1104, "Rec Vol"},
    {1105, "FX Type"},           {1106, "FX Intensity"},  {1107, "FX Vol"},
    {1108, "Ducking Threshold"}, {1109, "Ducking Speed"}, {1110, "Ducking Grade"}};

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private:
    struct Window {
        FakeCardSession session;
        RecordingMessageBoxes messages;
        CVarnelDlg dialog{session, &messages};
    };
    std::unique_ptr<Window> w_;

    CVarnelDlg &dialog() { return w_->dialog; }
    FakeCardSession &session() { return w_->session; }
    QLineEdit *edit(int id) { return qobject_cast<QLineEdit *>(dialog().control(id)); }

    // Every control Tab can reach, in the order it reaches them.
    std::vector<QWidget *> tabStops()
    {
        std::vector<QWidget *> stops;
        QWidget *first = QApplication::focusWidget();
        QWidget *current = first;
        do {
            stops.push_back(current);
            QTest::keyClick(current, Qt::Key_Tab);
            current = QApplication::focusWidget();
        } while (current && current != first && stops.size() < 100);
        return stops;
    }

private slots:
    void init()
    {
        w_ = std::make_unique<Window>();
        session().setCardState(CardState::Ready);
        dialog().show();
        QApplication::setActiveWindow(&dialog());
    }
    void cleanup() { w_.reset(); }

    void everyControlAUserReachesIsNamedWithItsRole()
    {
        QVERIFY(QTest::qWaitForWindowActive(&dialog()));
        dialog().control(1098)->setFocus();
        const std::vector<QWidget *> stops = tabStops();
        QCOMPARE(stops.size(), std::size_t{1 + 2 + 1 + 3 + 9}); // the mode buttons are one stop
        for (QWidget *stop : stops) {
            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(stop);
            QVERIFY(control);
            const int id = stop->objectName().toInt();
            QVERIFY2(!control->text(QAccessible::Name).isEmpty(), qPrintable(stop->objectName()));
            if (kValueNames.count(id)) {
                QCOMPARE(control->role(), QAccessible::SpinBox);
                QCOMPARE(control->text(QAccessible::Name), kValueNames.at(id));
                QAccessibleValueInterface *value = control->valueInterface();
                QVERIFY(value);
                const ControlId::ValueControl &range = *std::find_if(
                    ControlId::kValueControls.begin(), ControlId::kValueControls.end(),
                    [id](const ControlId::ValueControl &c) { return c.edit == id; });
                QCOMPARE(value->minimumValue().toInt(), range.low);
                QCOMPARE(value->maximumValue().toInt(), range.high);
                QCOMPARE(value->currentValue().toInt(), edit(id)->text().toInt());
            } else if (id == ControlId::kMicMute || id == 1133 || id == 1134 ||
                       id == ControlId::kSoundMix) {
                QCOMPARE(control->role(), QAccessible::CheckBox);
                QVERIFY(control->state().checkable);
            } else if (PanelState::modeCode(id)) {
                QCOMPARE(control->role(), QAccessible::RadioButton);
                QCOMPARE(control->parent()->role(), QAccessible::Grouping);
                QCOMPARE(control->parent()->text(QAccessible::Name), QStringLiteral("Mode"));
            } else {
                QCOMPARE(control->role(), QAccessible::Button);
            }
        }
        // A mute says whether it is on.
        QAccessibleInterface *micMute =
            QAccessible::queryAccessibleInterface(dialog().control(ControlId::kMicMute));
        QVERIFY(!micMute->state().checked);
        dialog().control(ControlId::kMicMute)->setFocus();
        QTest::keyClick(dialog().control(ControlId::kMicMute), Qt::Key_Space);
        QVERIFY(micMute->state().checked);
    }

    // Tab follows the rows as they are seen and stops at nothing the compact
    // window cuts off (the Write button, the preset buttons).
    void tabFollowsTheRowsInsideTheWindow()
    {
        QVERIFY(QTest::qWaitForWindowActive(&dialog()));
        dialog().control(1098)->setFocus();
        std::vector<int> order;
        for (QWidget *stop : tabStops()) {
            order.push_back(stop->objectName().toInt());
            QVERIFY2(
                dialog().rect().contains(QRect(stop->mapTo(&dialog(), QPoint()), stop->size())),
                qPrintable(stop->objectName()));
        }
        const std::vector<int> expected{1098, 1150, 1185, 1116, 1132, 1133, 1134, 1102,
                                        1103, 1104, 1105, 1106, 1107, 1108, 1109, 1110};
        QCOMPARE(order, expected);
        // Shift+Tab goes back the same way.
        edit(1102)->setFocus();
        QTest::keyClick(edit(1102), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), dialog().control(1134));
        // The arrows beside a value take no focus, yet carry its name.
        auto *spin = dynamic_cast<UpDownControl *>(dialog().control(1086));
        QCOMPARE(spin->focusPolicy(), Qt::NoFocus);
        QCOMPARE(spin->upButton()->accessibleName(), QStringLiteral("Master Vol up"));
    }

    // With the recorder docked and shown, Tab goes on past the window's last
    // control into the recorder's first, past the recorder's last back into
    // the window, and Shift+Tab the other way round; with it hidden, Tab stays.
    void tabGoesOnIntoTheDockedRecorderAndBack()
    {
        RecorderDock dock(dialog(), session());
        QVERIFY(dock.load(ORLENTA_SIM_STAGE_DIR));
        QVERIFY(QTest::qWaitForWindowActive(&dialog()));
        QVERIFY(dock.toggle());
        QWidget *recorder = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window != &dialog() && window->objectName() == QStringLiteral("102"))
                recorder = window;
        QVERIFY(recorder && recorder->isVisible());
        const auto press = [](Qt::Key key) {
            QWidget *from = QApplication::focusWidget();
            QTest::keyClick(from, key);
            QTRY_VERIFY(QApplication::focusWidget() != from);
        };
        // Through all of the recorder's stops, however many its take gives it.
        const auto crossRecorder = [&](Qt::Key key) {
            press(key);
            QCOMPARE(QApplication::activeWindow(), recorder);
            for (int stops = 0; stops < 20 && QApplication::focusWidget()->window() == recorder;
                 ++stops)
                press(key);
        };

        edit(1110)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), edit(1110));
        crossRecorder(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog().control(1098));
        crossRecorder(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), edit(1110));
        // Back the way it came, from the recorder's first and last.
        press(Qt::Key_Tab);
        press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), edit(1110));

        QVERIFY(!dock.toggle());
        press(Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), dialog().control(1098));
    }

    // The window sets no colour of its own: it draws in the palette's.
    void theWindowDrawsInThePalettesColoursAlone()
    {
        QVERIFY(qApp->styleSheet().isEmpty());
        for (QWidget *widget : dialog().findChildren<QWidget *>())
            QVERIFY2(!widget->testAttribute(Qt::WA_SetPalette) && widget->styleSheet().isEmpty(),
                     qPrintable(widget->objectName()));
    }

    // Each key is one step of the session, as an arrow click is; Up at the top
    // of the range is nothing at all.
    void valueKeysStepAsTheArrowsDo()
    {
        QLineEdit *master = edit(1102);
        master->setFocus();
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End,
                            Qt::Key_Home})
            QTest::keyClick(master, key);
        QCOMPARE(session().calls,
                 (std::vector<std::string>{"step 1086 +1", "step 1086 -1", "step 1086 +4",
                                           "step 1086 -4", "step 1086 +15", "step 1086 -15"}));
        session().calls.clear();
        QTest::keyClick(master, Qt::Key_End);
        QTest::keyClick(master, Qt::Key_Up);
        QCOMPARE(session().calls, std::vector<std::string>{"step 1086 +15"});
        QCOMPARE(master->text(), QStringLiteral("15"));
        // An eight-step range pages by two; with Shift, Home selects as usual.
        session().calls.clear();
        QTest::keyClick(edit(1106), Qt::Key_PageDown);
        QTest::keyClick(edit(1106), Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(session().calls, std::vector<std::string>{"step 1093 -2"});
        // A screen reader setting the value moves it as the arrows would.
        QAccessible::queryAccessibleInterface(master)->valueInterface()->setCurrentValue(7);
        QCOMPARE(master->text(), QStringLiteral("7"));
        master->setText(QStringLiteral("99")); // typed, out of range
        QAccessible::queryAccessibleInterface(master)->valueInterface()->setCurrentValue(7);
        QCOMPARE(master->text(), QStringLiteral("7"));
    }

    // A value the card or a command changed is told as a value change; the
    // window says which card it has, or none.
    void changesFromElsewhereAreTold()
    {
        // A screen reader is running: the desktop's accessibility bus says so.
        QProcess accessibilityBus;
        accessibilityBus.start(QStringLiteral(ORLENTA_ACCESSIBILITY_BUS), {});
        QTRY_VERIFY2(QAccessible::isActive(), "needs X11 and a private session bus");
        QAccessible::installUpdateHandler(hear);
        heard.clear();
        heardValues.clear();
        PanelValues values = ParameterBlock::factory().unpack();
        values.masterVol = 4;
        session().report(values);
        QAccessible::installUpdateHandler(nullptr);
        const bool told = std::any_of(heard.begin(), heard.end(), [&](const auto &event) {
            return event.first == edit(1102) && event.second == QAccessible::ValueChanged;
        });
        QVERIFY(told);
        QVERIFY(std::find(heardValues.begin(), heardValues.end(), QVariant(4)) !=
                heardValues.end());

        QCOMPARE(QAccessible::queryAccessibleInterface(&dialog())->text(QAccessible::Description),
                 QStringLiteral("VEK ZR-4"));
        session().setCardState(CardState::Absent);
        QCOMPARE(QAccessible::queryAccessibleInterface(&dialog())->text(QAccessible::Description),
                 QStringLiteral("No card"));
        accessibilityBus.kill();
        accessibilityBus.waitForFinished();
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
