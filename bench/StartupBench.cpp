// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up to the shown window and resident memory of the panel, against a
// bare Qt dialog, measured in the same run on the same X display. The panel
// runs from a fresh copy of the simulated program folder each time.
#include "WindowMapWatcher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 15;

struct Sample {
    double startMs = 0;
    double rssMb = 0;
};

double residentMb(qint64 pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

bool measure(const QString &program, const std::string &title, Sample &sample)
{
    WindowMapWatcher watcher;
    if (!watcher.connected())
        return false;
    QProcess process;
    process.setProgram(program);
    const auto start = std::chrono::steady_clock::now();
    process.start();
    const bool shown = watcher.waitForMap(title, std::chrono::seconds(20));
    sample.startMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    QThread::msleep(500); // let the program settle after showing itself
    sample.rssMb = residentMb(process.processId());
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
    return shown;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs an X display (DISPLAY)\n");
        return 2;
    }
    const std::filesystem::path stage = argc > 1 ? argv[1] : ORLENTA_SIM_STAGE_DIR;
    const QString bare = QCoreApplication::applicationDirPath() + "/bench_bare_dialog";

    std::vector<double> panelStart, panelRss, bareStart, bareRss;
    for (int run = 0; run < kRuns; ++run) {
        QTemporaryDir folder;
        std::filesystem::copy(stage, folder.path().toStdString(),
                              std::filesystem::copy_options::recursive);
        Sample panel, reference;
        if (!measure(folder.path() + "/Orlenta", "Orlenta HD", panel) ||
            !measure(bare, "Bare dialog", reference)) {
            std::fprintf(stderr, "a window did not show within 20 s\n");
            return 1;
        }
        panelStart.push_back(panel.startMs);
        panelRss.push_back(panel.rssMb);
        bareStart.push_back(reference.startMs);
        bareRss.push_back(reference.rssMb);
    }
    const double start = median(panelStart) / median(bareStart);
    const double rss = median(panelRss) / median(bareRss);
    std::printf("panel start-up to shown window: median %.1f ms, bare dialog %.1f ms, ratio %.2f "
                "(goal <= 1.5: %s)\n",
                median(panelStart), median(bareStart), start, start <= 1.5 ? "met" : "NOT met");
    std::printf("panel resident memory: median %.1f MB, bare dialog %.1f MB, ratio %.2f "
                "(goal <= 1.5: %s)\n",
                median(panelRss), median(bareRss), rss, rss <= 1.5 ? "met" : "NOT met");
    return 0;
}
