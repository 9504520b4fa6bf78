// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidapiTrace.h"

#include "LogCategories.h"
#include "ReportHex.h"
#include "SnxApi.h"

namespace {

// What hidraw hands over from the card: its report without an id, or with
// one in front when the interface numbers its reports.
constexpr int kUnnumberedLength = SNX_REPORT_SIZE - 1;
constexpr int kNumberedLength = SNX_REPORT_SIZE;

QString errorText(const wchar_t *error)
{
    return error ? QString::fromWCharArray(error) : QStringLiteral("no reason given");
}

} // namespace

HidapiTrace::HidapiTrace(std::string path) : path_(std::move(path)), reports_(lcHid()) {}

void HidapiTrace::written(const unsigned char *data, std::size_t length, int result,
                          const wchar_t *error)
{
    if (!reports_.enabled())
        return;
    QString line =
        QStringLiteral("hid_write %1 -> %2").arg(ReportHex::text(data, length)).arg(result);
    if (result < 0)
        line += QStringLiteral(" (%1)").arg(errorText(error));
    reports_.write(line);
}

void HidapiTrace::read(const unsigned char *data, int result, const wchar_t *error)
{
    if (result < 0) {
        reports_.flush();
        qCDebug(lcHid).noquote() << QStringLiteral(
                                        "hid_read on %1 failed (%2): no more input reports")
                                        .arg(QString::fromStdString(path_), errorText(error));
        return;
    }
    if (result == 0)
        return;
    noteShape(data, result);
    if (reports_.enabled())
        reports_.write(QStringLiteral("hid_read %1")
                           .arg(ReportHex::text(data, static_cast<std::size_t>(result))));
}

void HidapiTrace::noteShape(const unsigned char *data, int length)
{
    if (length != kUnnumberedLength && length != kNumberedLength && !oddLengthNoted_) {
        oddLengthNoted_ = true;
        qCWarning(lcHid).noquote()
            << QStringLiteral("%1 sent an input report of %2 bytes; the card's are %3 (%4 with a "
                              "report id). It is read as one without an id, cut or zero-filled "
                              "to %3 bytes.")
                   .arg(QString::fromStdString(path_))
                   .arg(length)
                   .arg(kUnnumberedLength)
                   .arg(kNumberedLength);
    }
    if (length == kNumberedLength && data[0] != 0 && !reportIdNoted_) {
        reportIdNoted_ = true;
        qCDebug(lcHid).noquote()
            << QStringLiteral("%1 numbers its input reports (id 0x%2); the id byte is not read")
                   .arg(QString::fromStdString(path_))
                   .arg(data[0], 2, 16, QLatin1Char('0'));
    }
}
