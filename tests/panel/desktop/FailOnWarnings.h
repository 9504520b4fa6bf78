// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRegularExpression>
#include <QTest>

// Fails the running test on any warning but one of QtDBus's own: a fake
// service that this process stops and serves again on the connection the
// panel uses makes QtDBus's owner bookkeeping race the bus's NameOwnerChanged,
// and it says so ("had owner '' but we thought it was ':1.1'"). The panel
// never serves the names it calls, so no user meets that.
inline void failOnWarningsOfOurOwn()
{
    QTest::failOnWarning(QRegularExpression(
        QStringLiteral("^(?!QDBusConnection: name '[^']*' had owner '[^']*' but we thought)")));
}
