// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include <span>

// The recorder's dialog templates: every control with its resource id and its
// rectangle in dialog units. The window lays itself out in pixels from them.
namespace RecorderTemplate {

enum class Kind { Button, Label, ScrollBar, DropDown, Frame, Progress };

struct Control {
    int id; // 0: a control without id
    Kind kind;
    QRect dialogUnits;
    const char *caption;
    bool hidden;
    bool disabled;
};

inline constexpr int kRecorderDialog = 102;
inline constexpr int kProgressDialog = 1001;

// Template 102, the recorder window.
std::span<const Control> recorder();
// Template 1001, the save progress window.
std::span<const Control> progress();
const Control *control(std::span<const Control> controls, int id);

// Dialog units to pixels with the template font's base units (rounded like
// the system does, edge by edge).
QRect toPixels(const QRect &dialogUnits, int baseX, int baseY);
// The recorder template's font: 9 point, 6 × 12 pixel base units.
QRect recorderPixels(const QRect &dialogUnits);
// The progress template's font: 8 point, 6 × 13 pixel base units.
QRect progressPixels(const QRect &dialogUnits);

} // namespace RecorderTemplate
