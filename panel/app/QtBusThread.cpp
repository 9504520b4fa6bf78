// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtBusThread.h"

#if defined(__SANITIZE_ADDRESS__)
#include <QDBusConnection>

#include <sanitizer/lsan_interface.h>
#endif

void QtBusThread::startOutsideLeakCheck()
{
#if defined(__SANITIZE_ADDRESS__)
    const __lsan::ScopedDisabler qtsOwn;
    // Connects to nothing: a connection by a name never added only looks up
    // Qt's connection manager, which starts the thread.
    const QDBusConnection none(QStringLiteral("none"));
#endif
}
