// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder window as a screen reader and the keyboard meet it: every
// control a user can reach is named and has the role that fits, the device
// lists are named by what they choose, the waveform and the position tell the
// take; the keys work every button and move the position; what changes is
// told (on X11, where Qt has the platform accessibility that carries events);
// and every colour the window sets reads on its background in a light and a
// dark palette.
#include "Contrast.h"
#include "InputMeter.h"
#include "Pcm.h"
#include "PositionBar.h"
#include "RecorderWindow.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QSet>

#include <filesystem>
#include <map>

namespace {

std::vector<std::pair<QObject *, QAccessible::Event>> heard;

void hear(QAccessibleEvent *event)
{
    heard.emplace_back(event->object(), event->type());
}

QAccessibleInterface *readerOf(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// A dark theme's palette, as a desktop's platform theme hands it over.
QPalette darkPalette()
{
    QPalette dark(QColor(0x31, 0x36, 0x3b));
    for (auto [role, colour] : {std::pair{QPalette::Window, 0x31363b},
                                {QPalette::Base, 0x232629},
                                {QPalette::AlternateBase, 0x31363b},
                                {QPalette::Mid, 0x4d5157},
                                {QPalette::Text, 0xeff0f1},
                                {QPalette::WindowText, 0xeff0f1},
                                {QPalette::ButtonText, 0xeff0f1},
                                {QPalette::Button, 0x31363b}})
        dark.setColor(role, QColor::fromRgb(QRgb(colour)));
    return dark;
}

// The colours an image holds, each with how many pixels have it.
std::map<QRgb, int> coloursOf(const QImage &image)
{
    std::map<QRgb, int> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++colours[image.pixel(x, y) | 0xff000000];
    return colours;
}

} // namespace

class RecorderAccessibilityTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RecorderWindow> w_;

    CMixerSet2Dlg &dialog() { return *w_->dialog; }
    QPushButton *button(int id) { return w_->button(id); }
    QWidget *child(const char *name) { return dialog().findChild<QWidget *>(name); }

    // Every control Tab reaches in the window, in the order it reaches them.
    std::vector<int> tabStops()
    {
        QApplication::setActiveWindow(&dialog());
        if (!QTest::qWaitForWindowActive(&dialog()))
            return {};
        std::vector<int> stops;
        QWidget *first = QApplication::focusWidget();
        QWidget *current = first;
        do {
            stops.push_back(current->objectName().toInt());
            QTest::keyClick(current, Qt::Key_Tab);
            current = QApplication::focusWidget();
        } while (current && current != first && stops.size() < 20);
        return stops;
    }

    // Records a take of `seconds` through the fake device's 50 ms blocks.
    void recordBlocks(double seconds, const std::vector<std::uint8_t> &block)
    {
        button(1003)->click();
        for (int n = 0; n < int(seconds * 20); ++n) {
            w_->capture.capture(block);
            w_->capture.deliver();
        }
        button(1003)->click();
        w_->capture.deliver();
        w_->player.lengths[w_->take()] = unsigned(seconds * 1000);
    }

    // A take of `seconds` with its position at `at`, moved there by keys.
    void recordAndMoveTo(double seconds, int at)
    {
        w_->recordTake(seconds);
        moveTo(at);
    }

    void moveTo(int at)
    {
        w_->scroll()->setFocus();
        QTest::keyClick(w_->scroll(), Qt::Key_Home);
        for (int second = 0; second < at; ++second)
            QTest::keyClick(w_->scroll(), Qt::Key_Right);
    }

private slots:
    void init() { w_ = std::make_unique<RecorderWindow>(); }
    void cleanup() { w_.reset(); }

    void everyControlAUserReachesIsNamedWithItsRole()
    {
        recordAndMoveTo(3.0, 1);
        button(1015)->click();
        QTest::keyClick(w_->scroll(), Qt::Key_Right);
        button(1016)->click();

        button(1003)->setFocus();
        const std::vector<int> stops = tabStops();
        QCOMPARE(stops, (std::vector<int>{1003, 1014, 1006, 1015, 1016, 1017, 1013}));
        for (int id : stops) {
            QWidget *control = dialog().findChild<QWidget *>(QString::number(id));
            QAccessibleInterface *reader = readerOf(control);
            if (id == 1014) {
                QCOMPARE(reader->role(), QAccessible::Slider);
                QCOMPARE(reader->text(QAccessible::Name), QString("Position"));
                QCOMPARE(reader->text(QAccessible::Value), QString("2 s"));
                QAccessibleValueInterface *value = reader->valueInterface();
                QVERIFY(value);
                QCOMPARE(value->currentValue().toInt(), 2);
                QCOMPARE(value->minimumValue().toInt(), 0);
                QCOMPARE(value->maximumValue().toInt(), dialog().model().positionMax());
            } else {
                QCOMPARE(reader->role(), QAccessible::Button);
                QCOMPARE(reader->text(QAccessible::Name), w_->text(id));
            }
        }
        QCOMPARE(readerOf(&dialog())->text(QAccessible::Name), QString("Recorder"));
        // The lists are named by what they choose, whatever device they show.
        for (auto [id, name] :
             {std::pair{"1007", "Playback device"}, {"1008", "Recording device"}}) {
            QAccessibleInterface *list = readerOf(child(id));
            QCOMPARE(list->role(), QAccessible::ComboBox);
            QCOMPARE(list->text(QAccessible::Name), QString(name));
            QCOMPARE(list->text(QAccessible::Value), QString("VEK ZR-4"));
        }
        // The take: its length and marks, on the waveform and the position.
        QAccessibleInterface *waveform = readerOf(child("waveform"));
        QCOMPARE(waveform->role(), QAccessible::Chart);
        QCOMPARE(waveform->text(QAccessible::Name), QString("Waveform"));
        const QString told("Take 3.0 s, start 1 s, end 2 s");
        QCOMPARE(waveform->text(QAccessible::Description), told);
        QCOMPARE(readerOf(w_->scroll())->text(QAccessible::Description), told);
        QCOMPARE(readerOf(child("1010"))->text(QAccessible::Name), QString("Rec:3.0s"));
        QCOMPARE(readerOf(child("1012"))->text(QAccessible::Name), QString("Play:2.0s"));
        QCOMPARE(readerOf(child("inputLevel"))->role(), QAccessible::Indicator);
    }

    // Record, Play, Start, End, Cut and Save are worked from the keyboard
    // alone; the arrows move the position by a second, the Page keys by a
    // page of the waveform, Home and End to the take's ends; Escape hides the
    // window as before.
    void theKeysWorkTheButtonsAndMoveThePosition()
    {
        button(1003)->setFocus();
        QCOMPARE(tabStops(), std::vector<int>{1003}); // nothing else before a take
        QTest::keyClick(button(1003), Qt::Key_Space);
        QCOMPARE(w_->text(1003), QString("Stop"));
        for (int block = 0; block < 65 * 20; ++block) {
            w_->capture.capture(std::vector<std::uint8_t>(8820, 0x10));
            w_->capture.deliver();
        }
        QTest::keyClick(button(1003), Qt::Key_Space);
        w_->capture.deliver();
        QCOMPARE(w_->text(1003), QString("Record"));
        w_->player.lengths[w_->take()] = 65000;

        QScrollBar *bar = w_->scroll();
        QCOMPARE(bar->focusPolicy(), Qt::StrongFocus);
        bar->setFocus();
        const int end = dialog().model().positionMax();
        QVERIFY(end >= 61);
        const std::vector<std::pair<Qt::Key, int>> moves{
            {Qt::Key_Right, 1},         {Qt::Key_Right, 2},     {Qt::Key_Left, 1},
            {Qt::Key_PageDown, 31},     {Qt::Key_PageDown, 61}, {Qt::Key_PageDown, end},
            {Qt::Key_PageUp, end - 30}, {Qt::Key_Home, 0},      {Qt::Key_End, end}};
        for (auto [key, second] : moves) {
            QTest::keyClick(bar, key);
            QCOMPARE(bar->value(), second);
            QCOMPARE(w_->text(1012), QString("Play:%1.0s").arg(second));
        }
        // The page that holds the position is shown, with the cursor on it.
        QCOMPARE(dialog().waveform().drawnBytes(), dialog().bufferFile().dataBytes());
        QCOMPARE(dialog().model().cursorSeconds(), std::optional<double>(end));

        QTest::keyClick(bar, Qt::Key_PageUp);
        QTest::keyClick(button(1015), Qt::Key_Space);
        QCOMPARE(dialog().startPosition(), unsigned(end - 30) * 1000);
        QTest::keyClick(bar, Qt::Key_PageDown);
        QTest::keyClick(button(1016), Qt::Key_Space);
        QCOMPARE(dialog().endPosition(), unsigned(end) * 1000);

        QTest::keyClick(button(1006), Qt::Key_Space);
        QVERIFY(dialog().playbackTimerRunning());
        QTest::keyClick(button(1006), Qt::Key_Space);
        QVERIFY(!dialog().playbackTimerRunning());

        QTest::keyClick(button(1017), Qt::Key_Space);
        QTRY_VERIFY(!dialog().cutRunning());
        QCOMPARE(dialog().bufferFile().dataBytes(), 30u * 176400);

        const std::filesystem::path saved = w_->folder.filePath("saved").toStdString();
        w_->saveDialog.answer = SaveFileDialog::Choice{saved.string(), 2};
        QTest::keyClick(button(1013), Qt::Key_Space);
        QVERIFY(std::filesystem::exists(saved.string() + ".wav"));

        QTest::keyClick(bar, Qt::Key_Escape);
        QVERIFY(!dialog().isVisible());
    }

    // After Stop the take's length is told, and each mark as it is set; a
    // screen reader speaks it for the button that was pressed.
    void theTakeIsToldAfterStopAndTheMarksWhenSet()
    {
        // A screen reader is running: the desktop's accessibility bus says so.
        QProcess accessibilityBus;
        accessibilityBus.start(QStringLiteral(ORLENTA_ACCESSIBILITY_BUS), {});
        QTRY_VERIFY2(QAccessible::isActive(), "needs X11 and a private session bus");
        QAccessible::installUpdateHandler(hear);
        const auto toldOn = [](QWidget *control) {
            const bool told = std::any_of(heard.begin(), heard.end(), [control](const auto &event) {
                return event.first == control && event.second == QAccessible::DescriptionChanged;
            });
            heard.clear();
            return told ? readerOf(control)->text(QAccessible::Description) : QString();
        };
        heard.clear();
        w_->recordTake(2.5);
        QCOMPARE(toldOn(button(1003)), QString("Take 2.5 s"));
        w_->scroll()->setValue(1);
        button(1015)->click();
        QCOMPARE(toldOn(button(1015)), QString("Start 1 s"));
        w_->scroll()->setValue(2);
        button(1016)->click();
        QCOMPARE(toldOn(button(1016)), QString("End 2 s"));
        QCOMPARE(readerOf(child("waveform"))->text(QAccessible::Description),
                 QString("Take 2.5 s, start 1 s, end 2 s"));
        // Rendering the same take again tells nothing.
        QTest::keyClick(w_->scroll(), Qt::Key_Home);
        QCOMPARE(toldOn(button(1003)), QString());
        QCOMPARE(toldOn(button(1015)), QString());
        QAccessible::installUpdateHandler(nullptr);
        accessibilityBus.kill();
        accessibilityBus.waitForFinished();
    }

    // The waveform and the meter draw in colours of their own, made from the
    // palette: each reads on its background at 4.5:1 or better, in the light
    // palette of the platform theme and in a dark one.
    void everyColourTheWindowSetsReadsOnItsBackground()
    {
        // The ratio is WCAG's: black on white 21:1, #777 on white just short of 4.5:1.
        QCOMPARE(qRound(Contrast::ratio(Qt::black, Qt::white) * 100), 2100);
        QCOMPARE(qRound(Contrast::ratio(QColor(0x77, 0x77, 0x77), Qt::white) * 100), 448);

        // Loud enough to leave the band around the centre line.
        recordBlocks(4.0, Pcm::sine(0.05, 200.0, 44100, 0.9));
        moveTo(1);
        button(1015)->click();
        QTest::keyClick(w_->scroll(), Qt::Key_Right);
        QTest::keyClick(w_->scroll(), Qt::Key_Right);
        button(1016)->click();
        QTest::keyClick(w_->scroll(), Qt::Key_Right); // the cursor, off the marks
        w_->capture.capture(std::vector<std::uint8_t>{0xff, 0x7f, 0xff, 0x7f});
        w_->capture.capture(Pcm::sine(0.05, 1000.0, 44100, 0.5));
        w_->capture.deliver();
        QVERIFY(dialog().meter().clipped(0));

        QApplication::setActiveWindow(&dialog());
        QVERIFY(QTest::qWaitForWindowActive(&dialog()));
        const QPalette light = QGuiApplication::palette();
        for (const QPalette &palette : {light, darkPalette()}) {
            QApplication::setPalette(palette);
            QCoreApplication::processEvents(); // the windows hear of it
            const QColor base = palette.color(QPalette::Base);

            const QRect leftStrip(0, 0, dialog().waveform().width(), dialog().waveform().height());
            const std::map<QRgb, int> waveform =
                coloursOf(child("waveform")->grab(leftStrip).toImage());
            // Inside and outside the marks, the marks, the cursor, loud samples.
            QVERIFY2(waveform.size() >= 6, qPrintable(QString::number(waveform.size())));
            QVERIFY(waveform.count(base.rgb()));
            for (auto [colour, count] : waveform)
                if (colour != base.rgb())
                    QVERIFY2(Contrast::ratio(QColor(colour), base) >= Contrast::kMinimum,
                             qPrintable(QColor(colour).name() + " on " + base.name()));

            // The meter: troughs in the base colour framed in mid on the window.
            const std::map<QRgb, int> meter = coloursOf(child("inputLevel")->grab().toImage());
            const QSet<QRgb> palettes{palette.color(QPalette::Window).rgb(),
                                      palette.color(QPalette::Mid).rgb(), base.rgb()};
            int lit = 0;
            for (auto [colour, count] : meter)
                if (!palettes.contains(colour)) {
                    ++lit;
                    QVERIFY2(Contrast::ratio(QColor(colour), base) >= Contrast::kMinimum,
                             qPrintable(QColor(colour).name() + " on " + base.name()));
                }
            QVERIFY(lit >= 2); // the level and the clip mark

            // The position bar shows it has the keyboard focus, on the window's colour.
            w_->scroll()->setFocus();
            QVERIFY(w_->scroll()->hasFocus());
            const QColor frame = w_->scroll()->grab().toImage().pixelColor(1, 8);
            const QPalette &bar = w_->scroll()->palette();
            QCOMPARE(frame, PositionBar::focusColour(bar));
            QVERIFY(Contrast::ratio(frame, bar.color(QPalette::Window)) >= Contrast::kMinimum);
        }
        QApplication::setPalette(light);
    }
};

QTEST_MAIN(RecorderAccessibilityTest)
#include "RecorderAccessibilityTest.moc"
