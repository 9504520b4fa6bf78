// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecorderLibrary.h"

#include <dlfcn.h>

RecorderLibrary::~RecorderLibrary()
{
    if (handle_)
        dlclose(handle_);
}

bool RecorderLibrary::load(const std::string &path)
{
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void *RecorderLibrary::symbol(const char *name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
}

int RecorderLibrary::openDlg(int x, int y, int width, int height) const
{
    auto open = reinterpret_cast<int (*)(int, int, int, int)>(symbol("OpenDlg"));
    return open ? open(x, y, width, height) : 0;
}

void RecorderLibrary::setDlgPos(int x, int y) const
{
    if (auto move = reinterpret_cast<void (*)(int, int)>(symbol("SetDlgPos")))
        move(x, y);
}

void RecorderLibrary::showDlgHide(int command) const
{
    if (auto show = reinterpret_cast<void (*)(int)>(symbol("ShowDlgHide")))
        show(command);
}

void RecorderLibrary::deviceRemoved() const
{
    if (auto removed = reinterpret_cast<void (*)()>(symbol("DeviceRemoved")))
        removed();
}
