// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputReportReader.h"

#include "HidDeviceHandle.h"
#include "HidrawReport.h"

namespace {

// Short, so a close returns promptly and a waiting write is not held up.
constexpr int kReadTimeoutMs = 10;
// The largest full-speed interrupt report.
constexpr std::size_t kReadBufferSize = 64;

} // namespace

InputReportReader::InputReportReader(std::shared_ptr<HidDeviceHandle> device, SnxWindow *window,
                                     const std::atomic<unsigned int> &message)
    : device_(std::move(device)), window_(window), message_(message)
{
    thread_ = std::thread([this] { run(); });
}

InputReportReader::~InputReportReader()
{
    stopping_ = true;
    thread_.join();
}

void InputReportReader::run()
{
    unsigned char buffer[kReadBufferSize];
    while (!stopping_) {
        const int length = device_->read(buffer, sizeof buffer, kReadTimeoutMs);
        if (length < 0)
            return;
        if (length > 0)
            post(buffer, length);
    }
}

void InputReportReader::post(const unsigned char *data, int length)
{
    const ReportWords::Words words =
        ReportWords::pack(HidrawReport::deviceView(data, static_cast<std::size_t>(length)));
    window_->postMessage(window_, message_.load(), SNX_INPUT_REPORT_WPARAM,
                         reinterpret_cast<std::intptr_t>(words.data()));
}
