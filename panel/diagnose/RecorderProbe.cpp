// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecorderProbe.h"

#include "BufferFile.h"
#include "BufferFileInspection.h"

#include <QJsonValue>

#include <cmath>

ProbeResult RecorderProbe::run() const
{
    const std::filesystem::path buffer = settingsFolder_ / BufferFile::kBufferName;
    const BufferFileInspection take = BufferFileInspection::of(buffer);
    const QString path = QString::fromStdString(buffer.string());
    ProbeResult result;
    QJsonObject &section = result.section;
    section[QStringLiteral("buffer_file")] = path;
    section[QStringLiteral("exists")] = take.exists;
    if (!take.exists)
        return result;
    section[QStringLiteral("size_bytes")] = static_cast<qint64>(take.sizeBytes);
    if (!take.headerDataBytes) {
        section[QStringLiteral("header_data_bytes")] = QJsonValue::Null;
        result.problems.push_back(
            {QStringLiteral("the recorder's buffer file %1 is no take the recorder can read")
                 .arg(path),
             QStringLiteral("move it away (mv \"%1\" \"%1.bad\"); the recorder makes a new one at "
                            "the next Record")
                 .arg(path)});
        return result;
    }
    const PcmFormat format;
    section[QStringLiteral("header_data_bytes")] = static_cast<qint64>(*take.headerDataBytes);
    section[QStringLiteral("length_seconds")] =
        std::round(10.0 * *take.headerDataBytes / format.bytesPerSecond()) / 10.0;
    section[QStringLiteral("recovery_would_change")] = take.recoveryWouldChange;
    if (take.recoveryWouldChange)
        result.problems.push_back(
            {QStringLiteral("the recorder's last take was left unfinished (the recorder ended "
                            "during a take or a cut)"),
             QStringLiteral("open the recorder (Record>> in the panel): it repairs the take when "
                            "it starts, keeping every whole frame")});
    return result;
}
