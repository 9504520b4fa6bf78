// SPDX-License-Identifier: GPL-3.0-or-later
// What the panel costs while nothing happens: the CPU time and the wakeups
// (voluntary and involuntary context switches) of all its threads over 30 s
// idle, started hidden with its tray icon and its D-Bus interface, and again
// with D-Bus but no tray at all. Each runs from a fresh copy of the simulated
// program folder, on an X display and a session bus of its own; all run at
// the same time, beside the reference: a bare Qt dialog on the tray's display.
#include "PrivateBusDaemon.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int kSettleSeconds = 5;
constexpr int kIdleSeconds = 30;
constexpr double kGoalWakeupsPerSecond = 1;
constexpr double kGoalCpuMsPerMinute = 10;

struct ThreadCost {
    std::string name;
    long long cpuNs = 0;
    long long switches = 0;
};

// Per thread: time on the CPU (schedstat) and how often it was switched out.
std::map<std::string, ThreadCost> threadCosts(qint64 pid)
{
    std::map<std::string, ThreadCost> costs;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        ThreadCost cost;
        std::getline(std::ifstream(task.path() / "comm"), cost.name);
        std::ifstream(task.path() / "schedstat") >> cost.cpuNs;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.find("voluntary_ctxt_switches:") != std::string::npos)
                cost.switches += std::stoll(line.substr(line.find(':') + 1));
        costs[task.path().filename().string()] = cost;
    }
    return costs;
}

struct Idle {
    double wakeupsPerSecond;
    double cpuMsPerMinute;
    std::size_t threads;
    std::string busiest; // the thread that woke most, and how often
};

Idle idleBetween(const std::map<std::string, ThreadCost> &before,
                 const std::map<std::string, ThreadCost> &after)
{
    ThreadCost spent;
    ThreadCost busiest;
    for (const auto &[thread, cost] : after) {
        const auto earlier = before.find(thread);
        const ThreadCost start = earlier == before.end() ? ThreadCost{} : earlier->second;
        spent.cpuNs += cost.cpuNs - start.cpuNs;
        spent.switches += cost.switches - start.switches;
        if (cost.switches - start.switches > busiest.switches)
            busiest = {cost.name, 0, cost.switches - start.switches};
    }
    char busiestText[64] = "none";
    if (busiest.switches > 0)
        std::snprintf(busiestText, sizeof busiestText, "%s %.2f/s", busiest.name.c_str(),
                      double(busiest.switches) / kIdleSeconds);
    return {double(spent.switches) / kIdleSeconds, spent.cpuNs / 1e6 * 60 / kIdleSeconds,
            after.size(), busiestText};
}

// An Xvfb display of its own, with a tray on it or without.
class Display {
public:
    explicit Display(bool tray)
    {
        server_.start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        while (server_.waitForReadyRead(5000) && !server_.canReadLine()) {
        }
        name_ = QStringLiteral(":") + QString::fromUtf8(server_.readLine()).trimmed();
        if (!tray || name_ == QStringLiteral(":"))
            return;
        trayer_.setProcessEnvironment(environment());
        trayer_.start(QStringLiteral("trayer"),
                      {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                       QStringLiteral("right"), QStringLiteral("--widthtype"),
                       QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("120"),
                       QStringLiteral("--height"), QStringLiteral("24")});
        trayer_.waitForStarted();
    }
    ~Display()
    {
        for (QProcess *process : {&trayer_, &server_}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }
    bool ready() const { return name_ != QStringLiteral(":"); }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), name_);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return environment;
    }
    // The panel's icon docked in the tray.
    bool showsTrayIcon() const
    {
        QProcess tree;
        tree.setProcessEnvironment(environment());
        tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
        tree.waitForFinished();
        return tree.readAllStandardOutput().contains("\"Orlenta\": (\"Orlenta\" \"Orlenta\")");
    }

private:
    QProcess server_;
    QProcess trayer_;
    QString name_ = QStringLiteral(":");
};

// The staged panel started hidden from a copy of the program folder, with a
// runtime folder and a session bus of its own.
class Panel {
public:
    Panel(const std::filesystem::path &stage, const Display &display)
    {
        std::filesystem::copy(stage, folder_.path().toStdString(),
                              std::filesystem::copy_options::recursive);
        QDir(runtime_.path()).mkdir(QStringLiteral("run"));
        QFile::setPermissions(runtime_.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = display.environment();
        // The sound server stays the one of the runtime folder left behind.
        const QString pulse = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pulse/native";
        if (!environment.contains(QStringLiteral("PULSE_SERVER")) && QFile::exists(pulse))
            environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + pulse);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           runtime_.filePath(QStringLiteral("run")));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_.address());
        environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(folder_.path() + QStringLiteral("/Orlenta"), {QStringLiteral("--hidden")});
        process_.waitForStarted();
    }
    ~Panel()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
    }
    qint64 pid() const { return process_.processId(); }
    bool running() const { return process_.state() == QProcess::Running; }
    // The running panel owns its name on the bus.
    bool onTheBus() const
    {
        QDBusConnection bus = QDBusConnection::connectToBus(bus_.address(), bus_.address());
        const bool owned = bus.interface() && bus.interface()->isServiceRegistered(
                                                  QStringLiteral("org.orlenta.Orlenta"));
        QDBusConnection::disconnectFromBus(bus_.address());
        return owned;
    }

private:
    QTemporaryDir folder_;
    QTemporaryDir runtime_;
    PrivateBusDaemon bus_;
    QProcess process_;
};

void report(const char *what, const Idle &panel, const Idle &bare)
{
    const bool met = panel.wakeupsPerSecond <= kGoalWakeupsPerSecond &&
                     panel.cpuMsPerMinute < kGoalCpuMsPerMinute;
    std::printf("idle %d s, %s: %.2f wakeups/s and %.2f ms CPU a minute over its %zu threads "
                "(most: %s); a bare Qt dialog %.2f wakeups/s and %.2f ms CPU a minute, ratio "
                "%.1f (goal <= %.0f wakeup/s and < %.0f ms CPU a minute: %s)\n",
                kIdleSeconds, what, panel.wakeupsPerSecond, panel.cpuMsPerMinute, panel.threads,
                panel.busiest.c_str(), bare.wakeupsPerSecond, bare.cpuMsPerMinute,
                (panel.wakeupsPerSecond + 0.01) / (bare.wakeupsPerSecond + 0.01),
                kGoalWakeupsPerSecond, kGoalCpuMsPerMinute, met ? "met" : "NOT met");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::filesystem::path stage = argc > 1 ? argv[1] : ORLENTA_SIM_STAGE_DIR;
    Display withTray(true);
    Display withoutTray(false);
    if (!withTray.ready() || !withoutTray.ready()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    Panel trayed(stage, withTray);
    Panel trayless(stage, withoutTray);
    QProcess bare;
    bare.setProcessEnvironment(withTray.environment());
    bare.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_bare_dialog"));
    bare.waitForStarted();

    QThread::sleep(kSettleSeconds);
    if (!trayed.running() || !trayless.running() || !withTray.showsTrayIcon() ||
        !trayed.onTheBus() || !trayless.onTheBus()) {
        std::fprintf(stderr,
                     "the panels did not settle: running %d %d, tray icon %d, on the "
                     "bus %d %d\n",
                     trayed.running(), trayless.running(), withTray.showsTrayIcon(),
                     trayed.onTheBus(), trayless.onTheBus());
        return 1;
    }
    const auto trayedBefore = threadCosts(trayed.pid());
    const auto traylessBefore = threadCosts(trayless.pid());
    const auto bareBefore = threadCosts(bare.processId());
    QThread::sleep(kIdleSeconds);
    const Idle reference = idleBetween(bareBefore, threadCosts(bare.processId()));
    report("hidden with a tray and D-Bus", idleBetween(trayedBefore, threadCosts(trayed.pid())),
           reference);
    report("hidden with D-Bus and no tray",
           idleBetween(traylessBefore, threadCosts(trayless.pid())), reference);
    bare.terminate();
    bare.waitForFinished();
    return 0;
}
