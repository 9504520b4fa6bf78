// SPDX-License-Identifier: GPL-3.0-or-later
// How long the panel's UI thread stops turning its event loop while it
// connects to the card (open, read, default-device step, start-up sound),
// while a spin arrow is held against a card that answers in 200 ms, and while
// presets are switched; each against an idle event loop measured in the same
// run, and the connect also against the sound-server steps run on the UI
// thread. The held arrow also counts the writes sent and times how long after
// the release the card holds the value shown, against one exchange.
#include "ControlIds.h"
#include "EventLoopStallProbe.h"
#include "FakeDeviceNotifier.h"
#include "PanelProgram.h"
#include "PrintedMessages.h"
#include "PulseAudioDefaults.h"
#include "PulseSoundPlayer.h"
#include "SimulatedDeviceApi.h"
#include "UpDownControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <dlfcn.h>

#include <cstdio>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGoalMs = 50;
constexpr int kSlowCardMs = 200;
constexpr int kHoldMs = 2000;
constexpr int kPresetSwitches = 20;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void runEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

bool runEventsUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
}

const char *verdict(double ms, double goal)
{
    return ms <= goal ? "met" : "NOT met";
}

// The simulated card's steering exports, from the module the panel loaded.
struct Card {
    explicit Card(void *handle)
    {
        setDelay = reinterpret_cast<decltype(setDelay)>(dlsym(handle, "SIM_SetAnswerDelayMs"));
        getBlock = reinterpret_cast<decltype(getBlock)>(dlsym(handle, "SIM_GetBlock"));
        count = reinterpret_cast<decltype(count)>(dlsym(handle, "SIM_OutputReportCount"));
        report = reinterpret_cast<decltype(report)>(dlsym(handle, "SIM_GetOutputReport"));
        clear = reinterpret_cast<decltype(clear)>(dlsym(handle, "SIM_ClearOutputReports"));
    }
    bool resolved() const { return setDelay && getBlock && count && report && clear; }
    int masterVol() const
    {
        unsigned char block[8] = {};
        getBlock(block);
        return block[4] & 0x0F;
    }
    int blockWrites() const
    {
        int writes = 0;
        unsigned char bytes[16];
        for (int i = 0; i < count(); ++i)
            if (report(i, bytes) && bytes[2] == 0x60)
                ++writes;
        return writes;
    }
    decltype(&SIM_SetAnswerDelayMs) setDelay = nullptr;
    decltype(&SIM_GetBlock) getBlock = nullptr;
    decltype(&SIM_OutputReportCount) count = nullptr;
    decltype(&SIM_GetOutputReport) report = nullptr;
    decltype(&SIM_ClearOutputReports) clear = nullptr;
};

double idleStallMs(int ms)
{
    EventLoopStallProbe probe;
    probe.start();
    runEventsFor(ms);
    probe.stop();
    return static_cast<double>(probe.longestStall().count());
}

// What connecting did before: the default-device step and the start of the
// sound on the UI thread.
double soundServerStepsOnThisThreadMs(const std::filesystem::path &sound)
{
    PulseAudioDefaults defaults;
    PulseSoundPlayer player;
    const auto start = Clock::now();
    defaults.makeDefault("VEK ZR-4");
    player.play(sound);
    const double ms = msSince(start);
    player.pause();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path stage = argc > 1 ? argv[1] : ORLENTA_SIM_STAGE_DIR;
    QTemporaryDir settings;
    FakeDeviceNotifier notifier;
    PulseAudioDefaults audioDefaults;
    PulseSoundPlayer player;
    PrintedMessages messages;
    PanelEnvironment environment;
    environment.programFolder = stage;
    environment.settingsFolder = settings.path().toStdString();
    environment.notifier = &notifier;
    environment.audioDefaults = &audioDefaults;
    environment.player = &player;
    environment.messages = &messages;

    const double idle = idleStallMs(1000);
    const double oldWay = soundServerStepsOnThisThreadMs(stage / "NUVdata.mp3");

    // Connect.
    EventLoopStallProbe probe;
    PanelProgram panel(environment);
    CVarnelDlg &dialog = panel.window();
    const CardChannel &channel = panel.session().channel();
    probe.start();
    if (!panel.initialise()) {
        std::fprintf(stderr, "the panel did not start\n");
        return 1;
    }
    panel.showAtStart(false);
    auto enabled = [&](int id) { return dialog.control(id)->isEnabled(); };
    if (!runEventsUntil([&] { return enabled(1102); })) {
        std::fprintf(stderr, "the panel did not read the card\n");
        return 1;
    }
    runEventsFor(1500); // the default-device step and the sound run meanwhile
    probe.stop();
    const double connect = static_cast<double>(probe.longestStall().count());
    std::printf("connect (open, read, default device, start-up sound): UI thread's longest stall "
                "%.0f ms; idle event loop %.0f ms; the sound-server steps on the UI thread would "
                "take %.0f ms (goal <= %.0f ms: %s)\n",
                connect, idle, oldWay, kGoalMs, verdict(connect, kGoalMs));

    Card card(panel.session().library().handle());
    if (!card.resolved()) {
        std::fprintf(stderr, "%s is not the simulated device\n", stage.c_str());
        return 1;
    }

    // One exchange against the slow card, the unit of the release delay.
    card.setDelay(kSlowCardMs);
    auto *edit = qobject_cast<QLineEdit *>(dialog.control(1102));
    auto *mute = qobject_cast<QAbstractButton *>(dialog.control(ControlId::kMicMute));
    auto start = Clock::now();
    mute->click();
    runEventsUntil([&] { return !channel.isWaiting(); });
    const double exchange = msSince(start);

    // Held spin arrow.
    edit->setText(QStringLiteral("0"));
    card.clear();
    auto *spin = dynamic_cast<UpDownControl *>(dialog.control(1086));
    probe.start();
    QTest::mousePress(spin->upButton(), Qt::LeftButton);
    runEventsFor(kHoldMs);
    QTest::mouseRelease(spin->upButton(), Qt::LeftButton);
    const auto released = Clock::now();
    const int shown = edit->text().toInt();
    const int writes = card.blockWrites();
    runEventsUntil([&] { return card.masterVol() == shown; });
    const double settled = msSince(released);
    runEventsUntil([&] { return !channel.isWaiting() && channel.pendingCount() == 0; });
    probe.stop();
    const double held = static_cast<double>(probe.longestStall().count());
    std::printf("spin arrow held %d ms against a card answering in %d ms: UI thread's longest "
                "stall %.0f ms, idle %.0f ms (goal <= %.0f ms: %s)\n",
                kHoldMs, kSlowCardMs, held, idle, kGoalMs, verdict(held, kGoalMs));
    std::printf("spin arrow held: %d writes sent for %d steps; the card held the value shown "
                "%.0f ms after the release, one exchange takes %.0f ms, ratio %.2f (goal <= 1 "
                "exchange: %s)\n",
                writes, shown, settled, exchange, settled / exchange, verdict(settled, exchange));

    // Preset switching.
    card.setDelay(2);
    probe.start();
    for (int i = 0; i < kPresetSwitches; ++i) {
        const int button = ControlId::kPresetButtons[static_cast<std::size_t>(i % 4)];
        qobject_cast<QAbstractButton *>(dialog.control(button))->click();
        runEventsFor(20);
    }
    probe.stop();
    const double presets = static_cast<double>(probe.longestStall().count());
    std::printf("preset switching (%d switches): UI thread's longest stall %.0f ms, idle %.0f ms "
                "(goal <= %.0f ms: %s)\n",
                kPresetSwitches, presets, idle, kGoalMs, verdict(presets, kGoalMs));
    return messages.shown ? 1 : 0;
}
