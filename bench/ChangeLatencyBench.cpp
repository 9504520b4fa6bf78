// SPDX-License-Identifier: GPL-3.0-or-later
// How long a change on the card (a state report of the simulated card, as
// its buttons send one) takes to reach a script: to the line that a running
// `orlenta watch --json` prints, and to the D-Bus Changed signal heard by
// another connection. The panel's side runs here as the program puts it
// together (session, single-instance socket, watchers, D-Bus service on a
// private bus); the watch is the staged program. References measured in the
// same run: a line through a child process and back (`cat`), and a D-Bus
// ping round trip on the same bus.
#include "CommandDispatcher.h"
#include "CommandRunner.h"
#include "HidCardSession.h"
#include "PanelBusService.h"
#include "PrivateBusDaemon.h"
#include "SimulatedDeviceApi.h"
#include "SingleInstance.h"
#include "WatchSubscriptions.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kReports = 60;
constexpr double kGoalMs = 20;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Sleeps between events as the panel and a script do, so that the times
// include waking up.
bool runEventsUntil(const std::function<bool()> &done, int timeoutMs = 5000)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMs);
    while (!done() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// What 19 of 20 changes take at most: a busy machine's rare stall aside.
double percentile95(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() * 95 / 100];
}

double worst(const std::vector<double> &values)
{
    return *std::max_element(values.begin(), values.end());
}

// Times arrivals: a line from a process, a signal on a connection.
class Arrivals : public QObject {
    Q_OBJECT
public slots:
    void changed(const QVariantMap &, const QString &source)
    {
        if (source == QStringLiteral("card"))
            ++signals_;
    }

public:
    int signals_ = 0;
};

// A line written to `cat` until it comes back.
double pipeRoundTripMs()
{
    QProcess cat;
    cat.start(QStringLiteral("cat"));
    cat.waitForStarted();
    std::vector<double> samples;
    for (int i = 0; i < kReports; ++i) {
        const auto start = Clock::now();
        cat.write("{\"connected\": true, \"source\": \"card\"}\n");
        runEventsUntil([&] { return cat.canReadLine(); });
        samples.push_back(msSince(start));
        cat.readLine();
    }
    cat.closeWriteChannel();
    cat.waitForFinished();
    return median(samples);
}

double pingRoundTripMs(const QDBusConnection &connection)
{
    std::vector<double> samples;
    for (int i = 0; i < kReports; ++i) {
        const auto start = Clock::now();
        QDBusPendingCallWatcher ping(connection.asyncCall(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"))));
        runEventsUntil([&] { return ping.isFinished(); });
        samples.push_back(msSince(start));
    }
    return median(samples);
}

void report(const char *what, const std::vector<double> &samples, const char *reference,
            double referenceMs)
{
    const double typical = median(samples);
    const double mostly = percentile95(samples);
    std::printf("card report to %s: median %.2f ms, 95th percentile %.2f ms, worst %.2f ms over "
                "%zu reports; %s %.2f ms, ratio %.1f (goal: 95th percentile <= %.0f ms: %s)\n",
                what, typical, mostly, worst(samples), samples.size(), reference, referenceMs,
                typical / referenceMs, kGoalMs, mostly <= kGoalMs ? "met" : "NOT met");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::filesystem::path stage = argc > 1 ? argv[1] : ORLENTA_SIM_STAGE_DIR;
    QTemporaryDir runtime;
    QTemporaryDir settings;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    PrivateBusDaemon bus;
    if (bus.address().isEmpty()) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }

    HidCardSession::Setup setup;
    setup.programFolder = stage;
    setup.settingsFolder = settings.path().toStdString();
    HidCardSession session(setup);
    if (!session.loadLibrary()) {
        std::fprintf(stderr, "no HID control library in %s\n", stage.c_str());
        return 1;
    }
    session.start();
    runEventsUntil([&] { return session.cardState() == CardState::Ready; });
    auto inject = reinterpret_cast<decltype(&SIM_InjectStateReport)>(
        dlsym(session.library().handle(), "SIM_InjectStateReport"));
    if (session.cardState() != CardState::Ready || !inject) {
        std::fprintf(stderr, "%s is not the simulated device, or it did not answer\n",
                     stage.c_str());
        return 1;
    }
    CommandDispatcher dispatcher(session, nullptr);
    WatchSubscriptions watchers(session);
    SingleInstance instance(QString::fromLatin1(CommandRunner::kInstanceName));
    instance.claim();
    instance.listen([&](const QByteArray &request, const InstanceClient &client) {
        if (!watchers.subscribe(request, client))
            dispatcher.handleRequest(request,
                                     [client](const QByteArray &answer) { client.reply(answer); });
    });
    PanelBusService service(session, dispatcher);
    service.publish(QDBusConnection::connectToBus(bus.address(), QStringLiteral("panel")));
    QDBusConnection listener =
        QDBusConnection::connectToBus(bus.address(), QStringLiteral("listener"));
    Arrivals arrivals;
    listener.connect({}, PanelBusService::kPath, PanelBusService::kInterface,
                     QStringLiteral("Changed"), &arrivals, SLOT(changed(QVariantMap, QString)));

    QProcess watch;
    watch.start(QString::fromStdString((stage / "Orlenta").string()),
                {QStringLiteral("watch"), QStringLiteral("--json")});
    if (!runEventsUntil([&] { return watch.canReadLine(); })) {
        std::fprintf(stderr, "orlenta watch printed nothing\n");
        return 1;
    }
    watch.readAll();

    std::vector<double> toLine, toSignal;
    for (int i = 0; i < kReports; ++i) {
        // Master volume 1 and 2 in turn: every report is a change.
        const unsigned char block[8] = {
            0x0F, 0x0F, 0x4F, 0x15, static_cast<unsigned char>(0x81 + i % 2), 0x2A, 0x2F, 0x3E};
        const int heard = arrivals.signals_;
        const auto start = Clock::now();
        inject(block);
        double line = -1, signal = -1;
        runEventsUntil([&] {
            if (line < 0 && watch.canReadLine())
                line = msSince(start);
            if (signal < 0 && arrivals.signals_ > heard)
                signal = msSince(start);
            return line >= 0 && signal >= 0;
        });
        if (line < 0 || signal < 0) {
            std::fprintf(stderr, "report %d reached no %s\n", i, line < 0 ? "line" : "signal");
            return 1;
        }
        watch.readLine();
        toLine.push_back(line);
        toSignal.push_back(signal);
    }
    const double pipe = pipeRoundTripMs();
    const double ping = pingRoundTripMs(listener);
    watch.terminate();
    watch.waitForFinished();

    report("the `orlenta watch --json` line", toLine, "a line through a child process and back",
           pipe);
    report("the D-Bus Changed signal", toSignal, "a D-Bus ping round trip", ping);
    return watch.exitCode();
}

#include "ChangeLatencyBench.moc"
