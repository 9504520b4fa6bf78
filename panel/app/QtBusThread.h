// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt talks D-Bus from a thread of its own, which the first QDBusConnection
// starts and Qt ends at exit. That thread's data can still be on its way out
// when the leak check of the sanitized build runs at exit, which then reports
// it as lost now and again (about once in 25 runs of the panel). It is Qt's
// to free, not ours.
namespace QtBusThread {

// In the sanitized build, starts Qt's D-Bus thread with the leak check told
// to leave out what the start allocates (what the thread later holds hangs
// off it, so it is left out too); in any other build does nothing. First
// thing in the program, before anything else may start that thread.
void startOutsideLeakCheck();

} // namespace QtBusThread
