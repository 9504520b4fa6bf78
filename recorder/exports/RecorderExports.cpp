// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder library's entry points as the control panel calls them, all on
// the panel's user-interface thread.

#include "CRecordApp.h"

#include <QLocale>

#define NUVRECORD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
// Made when the library loads, destroyed (with the recorder window) when it unloads.
CRecordApp theApp(CRecordApp::languageOf(QLocale::system()));
} // namespace

NUVRECORD_EXPORT int OpenDlg(int x, int y, int width, int height)
{
    return theApp.OpenDlg(x, y, width, height);
}

NUVRECORD_EXPORT void SetDlgPos(int x, int y)
{
    theApp.SetDlgPos(x, y);
}

NUVRECORD_EXPORT void ShowDlgHide(int showCommand)
{
    theApp.ShowDlgHide(showCommand);
}

// Not called by hosts that predate it; one that does calls it when its card
// goes away, before it hides the recorder.
NUVRECORD_EXPORT void DeviceRemoved()
{
    theApp.DeviceRemoved();
}
