// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibraryCardLink.h"

#include "CardFrame.h"
#include "DeviceConnection.h"
#include "HidControlLibrary.h"
#include "InputReport.h"
#include "MonitorWindow.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

// Other reports kept while waiting: enough to show a chatty card.
constexpr std::size_t kOtherReportsKept = 8;

} // namespace

CardLink::Result LibraryCardLink::inspect()
{
    Result result;
    result.libraryPath = QString::fromStdString(libraryPath_.string());
    HidControlLibrary library;
    if (!library.load(libraryPath_.string())) {
        result.libraryError = QString::fromStdString(library.loadError());
        return result;
    }
    result.interfaces = interfacesOf(library);
    if (!library.findDeviceWithId(DeviceConnection::kDefaultVendorId,
                                  DeviceConnection::kDefaultProductId)) {
        result.openError = library.lastOpenError().value_or(0);
        result.open = openResultFor(result.openError);
        return result;
    }
    result.open = Open::Opened;
    result.stateRead = readState(library);
    library.closeDevice();
    return result;
}

CardLink::StateRead LibraryCardLink::readState(HidControlLibrary &library) const
{
    std::optional<InputReport> answer;
    std::vector<InputReport> others;
    QEventLoop loop;
    MonitorWindow monitor([&](unsigned message, std::uintptr_t wParam,
                              const std::optional<InputReport::Words> &words) {
        if (message != DeviceConnection::kMonitorMessage || wParam != SNX_INPUT_REPORT_WPARAM ||
            !words || answer)
            return;
        const InputReport report = InputReport::fromWords(*words);
        if (report.head() != CardFrame::kParameterReadIndex) {
            if (others.size() < kOtherReportsKept)
                others.push_back(report);
            return;
        }
        answer = report;
        loop.quit();
    });
    library.openHidMonitor(monitor.window());
    library.setMonitorMessage(DeviceConnection::kMonitorMessage);

    const CardFrame::Report request =
        CardFrame::readRequest(CardFrame::kParameterReadIndex).outputReport();
    QTimer::singleShot(answerWait_, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    library.outputReport(request.data(), static_cast<int>(request.size()));
    if (!answer)
        loop.exec();
    const std::chrono::nanoseconds roundTrip(clock.nsecsElapsed());

    const CardFrame::Report release{};
    library.outputReport(release.data(), static_cast<int>(release.size()));
    library.closeHidMonitor();
    return StateRead::of(request, answer, roundTrip, others);
}
