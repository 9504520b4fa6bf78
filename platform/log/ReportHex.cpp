// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportHex.h"

#include <QByteArray>

QString ReportHex::text(const void *data, std::size_t length)
{
    return QStringLiteral("%1 bytes: %2").arg(length).arg(bytes(data, length));
}

QString ReportHex::bytes(const void *data, std::size_t length)
{
    if (!data || length == 0)
        return {};
    const QByteArray raw(static_cast<const char *>(data), static_cast<qsizetype>(length));
    return QString::fromLatin1(raw.toHex(' '));
}
