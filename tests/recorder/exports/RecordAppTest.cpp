// SPDX-License-Identifier: GPL-3.0-or-later
#include "CRecordApp.h"
#include "FakeAudioCapture.h"
#include "FakeAudioDeviceNames.h"
#include "FakePlayer.h"
#include "RecordingMessageBoxes.h"

#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <iterator>

namespace {
std::vector<unsigned char> bytesOf(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t le32(const std::vector<unsigned char> &b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
} // namespace

class RecordAppTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    FakeAudioCapture capture_;
    FakePlayer player_;
    FakeAudioDeviceNames devices_;
    RecordingMessageBoxes messages_;

    RecorderServices services()
    {
        return {capture_, player_, devices_, messages_, folder_.path().toStdString()};
    }
    QString take() const { return folder_.filePath("NUVRecord.wav"); }

    // Starts a take in the app's window and records a second of it.
    void recordASecond(CRecordApp &app)
    {
        app.OpenDlg(0, 0, 420, 500);
        app.dialog()->findChild<QPushButton *>("1003")->click();
        const std::vector<std::uint8_t> block(8820, 0x11);
        for (int i = 0; i < 20; ++i) {
            capture_.capture(block);
            capture_.deliver();
        }
    }

private slots:
    void openDlgShowsThenToggles()
    {
        CRecordApp app(CRecordApp::kEnglishUs, services());
        QCOMPARE(app.OpenDlg(300, 40, 420, 500), 1);
        QVERIFY(app.dialog()->isVisible());
        QCOMPARE(app.dialog()->pos(), QPoint(302, 40));
        QCOMPARE(app.OpenDlg(300, 40, 420, 500), 0);
        QVERIFY(!app.dialog()->isVisible());
        QCOMPARE(app.OpenDlg(300, 40, 420, 500), 1);
        QVERIFY(app.dialog()->isVisible());
        // The device lists are filled when the window is made and on every toggle.
        QCOMPARE(devices_.queries, 3);
    }

    void showDlgHideRestoresWhatTheLastToggleLeft()
    {
        CRecordApp app(CRecordApp::kEnglishUs, services());
        app.OpenDlg(0, 0, 420, 500);
        app.OpenDlg(0, 0, 420, 500); // hidden by the user
        app.ShowDlgHide(5);
        QVERIFY(app.dialog()->isVisible());
        app.ShowDlgHide(0);
        app.ShowDlgHide(-1);
        QVERIFY(!app.dialog()->isVisible());

        app.OpenDlg(0, 0, 420, 500); // shown by the user
        app.ShowDlgHide(0);
        QVERIFY(!app.dialog()->isVisible());
        app.ShowDlgHide(-1);
        QVERIFY(app.dialog()->isVisible());
    }

    void callsBeforeTheFirstOpenDlgAreIgnoredAndMovesDock()
    {
        CRecordApp app(CRecordApp::kEnglishUs, services());
        app.ShowDlgHide(5);
        app.SetDlgPos(10, 10);
        QVERIFY(!app.dialog());
        app.OpenDlg(0, 0, 420, 500);
        const QSize size = app.dialog()->size();
        app.SetDlgPos(500, 120);
        QCOMPARE(app.dialog()->pos(), QPoint(502, 120));
        QCOMPARE(app.dialog()->size(), size);
    }

    void escapeHidesTheWindowAndTheNextOpenDlgShowsIt()
    {
        CRecordApp app(CRecordApp::kEnglishUs, services());
        app.OpenDlg(0, 0, 420, 500);
        QTest::keyClick(app.dialog(), Qt::Key_Escape);
        QVERIFY(!app.dialog()->isVisible());
        QCOMPARE(app.OpenDlg(0, 0, 420, 500), 1);
    }

    void unloadingDeletesTheWindow()
    {
        QPointer<QWidget> window;
        {
            CRecordApp app(CRecordApp::kEnglishUs, services());
            app.OpenDlg(0, 0, 420, 500);
            window = app.dialog();
            QVERIFY(window);
        }
        QVERIFY(!window);
    }

    void unloadingMidTakeCompletesTheTakeFirst()
    {
        {
            CRecordApp app(CRecordApp::kEnglishUs, services());
            recordASecond(app);
        }
        const auto bytes = bytesOf(take());
        QCOMPARE(bytes.size(), std::size_t(46 + 176400));
        QCOMPARE(le32(bytes, 42), 176400u);
        QCOMPARE(le32(bytes, 4), 176400u + 38);
    }

    void theWindowOfTheNextRunMakesATakeAKilledRunLeftWhole()
    {
        {
            CRecordApp app(CRecordApp::kEnglishUs, services());
            recordASecond(app);
            capture_.abandon(); // as if the process died: nothing more arrives
            // A header from before its first second.
            std::fstream file(take().toStdString(),
                              std::ios::binary | std::ios::in | std::ios::out);
            for (const int at : {4, 42})
                file.seekp(at).write("\0\0\0\0", 4);
        }
        QCOMPARE(le32(bytesOf(take()), 42), 0u);
        CRecordApp loaded(CRecordApp::kEnglishUs, services());
        loaded.OpenDlg(0, 0, 420, 500);
        const auto bytes = bytesOf(take());
        QCOMPARE(le32(bytes, 42), 176400u);
        QCOMPARE(le32(bytes, 4), 176400u + 38);
    }

    void theHostsCardGoingAwayEndsATakeAndSaysSo()
    {
        CRecordApp app(CRecordApp::kEnglishUs, services());
        app.DeviceRemoved(); // before any window: nothing
        recordASecond(app);
        app.DeviceRemoved();
        capture_.deliver();
        QCOMPARE(le32(bytesOf(take()), 42), 176400u);
        QCOMPARE(messages_.shown.back().text,
                 std::string("The recording device was removed; the take so far is kept."));
    }

    void theLanguageDecidesOnlyTheChineseConversion()
    {
        const std::string simplified = "缓冲文件被占用,请先关闭正在播放的缓冲文件";
        struct Case {
            int language;
            bool simplifiedFlag;
        };
        for (const Case &c :
             {Case{0x0804, true}, Case{0x0404, false}, Case{0x0409, false}, Case{0, false}}) {
            CRecordApp app(c.language, services());
            QCOMPARE(app.simplifiedChineseFlag(), c.simplifiedFlag);
            QVERIFY(app.englishTextFlag());
            app.OpenDlg(0, 0, 420, 500);
            messages_.shown.clear();
            app.messages().inform(simplified, "提示");
            QCOMPARE(messages_.shown.back().text == simplified, c.simplifiedFlag);
            // The window's own messages go through the same routine.
            app.dialog()->findChild<QPushButton *>("1006")->setEnabled(true);
            app.dialog()->findChild<QPushButton *>("1006")->click();
            QCOMPARE(messages_.shown.back().text, std::string("Please record first!"));
        }
        QCOMPARE(CRecordApp::languageOf(QLocale(QLocale::Chinese, QLocale::China)), 0x0804);
        QCOMPARE(CRecordApp::languageOf(QLocale(QLocale::Chinese, QLocale::Taiwan)), 0x0404);
        QCOMPARE(CRecordApp::languageOf(QLocale(QLocale::English, QLocale::UnitedStates)), 0x0409);
    }
};

QTEST_MAIN(RecordAppTest)
#include "RecordAppTest.moc"
