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

#include <dlfcn.h>

#include <cerrno>
#include <cmath>

namespace {

// The read index of the card's parameter block.
constexpr std::uint8_t kBlockIndex = 1;
// Other reports kept while waiting: enough to show a chatty card.
constexpr std::size_t kOtherReportsKept = 8;
// More than a card has.
constexpr int kMostInterfaces = 16;

QByteArray bytesOf(const CardFrame::Report &report)
{
    return QByteArray(reinterpret_cast<const char *>(report.data()),
                      static_cast<qsizetype>(report.size()));
}

std::optional<std::vector<CardLink::Interface>> listedInterfaces(const HidControlLibrary &library)
{
    const auto list = reinterpret_cast<decltype(&SNX_ListInterfaces)>(
        dlsym(library.handle(), "SNX_ListInterfaces"));
    if (!list)
        return std::nullopt;
    SnxInterface listed[kMostInterfaces];
    const int count = list(DeviceConnection::kDefaultVendorId, DeviceConnection::kDefaultProductId,
                           listed, kMostInterfaces);
    std::vector<CardLink::Interface> interfaces;
    for (int i = 0; i < std::min(count, kMostInterfaces); ++i)
        interfaces.push_back({QString::fromLocal8Bit(listed[i].path), listed[i].interfaceNumber,
                              listed[i].usagePage, listed[i].usage});
    return interfaces;
}

CardLink::Open openResult(int error)
{
    if (error == EACCES || error == EPERM)
        return CardLink::Open::Denied;
    if (error == ENOENT || error == 0)
        return CardLink::Open::NotFound;
    return CardLink::Open::Failed;
}

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
    result.interfaces = listedInterfaces(library);
    if (!library.findDeviceWithId(DeviceConnection::kDefaultVendorId,
                                  DeviceConnection::kDefaultProductId)) {
        result.openError = library.lastOpenError().value_or(0);
        result.open = openResult(result.openError);
        return result;
    }
    result.open = Open::Opened;
    result.stateRead = readState(library);
    library.closeDevice();
    return result;
}

CardLink::StateRead LibraryCardLink::readState(HidControlLibrary &library) const
{
    StateRead read;
    QEventLoop loop;
    MonitorWindow monitor([&](unsigned message, std::uintptr_t wParam,
                              const std::optional<InputReport::Words> &words) {
        if (message != DeviceConnection::kMonitorMessage || wParam != SNX_INPUT_REPORT_WPARAM ||
            !words || read.received)
            return;
        const InputReport report = InputReport::fromWords(*words);
        if (report.head() != kBlockIndex) {
            if (read.others.size() < kOtherReportsKept)
                read.others.push_back(bytesOf(report.bytes()));
            return;
        }
        read.received = bytesOf(report.bytes());
        read.checksumRight = report.checksumValid();
        loop.quit();
    });
    library.openHidMonitor(monitor.window());
    library.setMonitorMessage(DeviceConnection::kMonitorMessage);

    const CardFrame::Report report = CardFrame::readRequest(kBlockIndex).outputReport();
    read.sent = bytesOf(report);
    QTimer::singleShot(answerWait_, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    library.outputReport(report.data(), static_cast<int>(report.size()));
    if (!read.received)
        loop.exec();
    // Hundredths of a millisecond tell a card's answer from the event loop's turn.
    read.roundTripMs = std::round(static_cast<double>(clock.nsecsElapsed()) / 1e4) / 100;

    const CardFrame::Report release{};
    library.outputReport(release.data(), static_cast<int>(release.size()));
    library.closeHidMonitor();
    return read;
}
