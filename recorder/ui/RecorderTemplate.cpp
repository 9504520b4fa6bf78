// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecorderTemplate.h"

#include <algorithm>
#include <array>

namespace RecorderTemplate {
namespace {
using K = Kind;
constexpr std::array<Control, 24> kRecorder{{
    {1034, K::Label, {8, 10, 61, 8}, "Default Play Device", false, false},
    {1007, K::DropDown, {77, 6, 128, 66}, "", false, true},
    {1035, K::Label, {8, 23, 60, 8}, "Default Record Device", false, false},
    {1008, K::DropDown, {77, 23, 128, 66}, "", false, true},
    {1009, K::Frame, {20, 41, 267, 45}, "", true, false},
    {0, K::Frame, {22, 95, 276, 31}, "", true, false},
    {1037, K::Label, {7, 64, 8, 8}, "L", false, false},
    {1038, K::Label, {7, 112, 8, 8}, "R", false, false},
    {1014, K::ScrollBar, {32, 133, 253, 11}, "", false, false},
    {1006, K::Button, {60, 152, 51, 16}, "Play", false, false},
    {1015, K::Button, {128, 154, 38, 14}, "Start", false, false},
    {1016, K::Button, {167, 154, 39, 14}, "End", false, false},
    {1017, K::Button, {207, 154, 35, 14}, "Cut", false, false},
    {1013, K::Button, {247, 153, 38, 16}, "Save", false, false},
    {1012, K::Label, {5, 156, 52, 8}, "Play Time", false, false},
    {1003, K::Button, {60, 173, 41, 15}, "Record", false, false},
    {1010, K::Label, {5, 177, 53, 8}, "Record Time", false, false},
    {1033, K::Label, {5, 194, 286, 24}, "", true, false},
    {1004, K::Label, {14, 245, 76, 8}, "", true, false},
    {1005, K::DropDown, {77, 230, 128, 66}, "", true, false},
    {1036, K::Label, {8, 232, 60, 8}, "Record Format", true, false},
    {1018, K::Button, {128, 173, 38, 14}, "Pause", true, false},
    {1, K::Button, {520, 385, 50, 14}, "OK", true, false},
    {2, K::Button, {574, 385, 50, 14}, "Cancel", true, false},
}};
constexpr std::array<Control, 1> kProgress{{
    {1019, K::Progress, {0, 0, 297, 20}, "", false, false},
}};

// Rounds like a multiply-then-divide of the system: halves away from zero.
int scale(int value, int numerator, int denominator)
{
    return (2 * value * numerator + denominator) / (2 * denominator);
}
} // namespace

std::span<const Control> recorder()
{
    return kRecorder;
}

std::span<const Control> progress()
{
    return kProgress;
}

const Control *control(std::span<const Control> controls, int id)
{
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [id](const Control &c) { return c.id == id; });
    return found == controls.end() ? nullptr : &*found;
}

QRect toPixels(const QRect &dialogUnits, int baseX, int baseY)
{
    const int left = scale(dialogUnits.x(), baseX, 4);
    const int top = scale(dialogUnits.y(), baseY, 8);
    const int right = scale(dialogUnits.x() + dialogUnits.width(), baseX, 4);
    const int bottom = scale(dialogUnits.y() + dialogUnits.height(), baseY, 8);
    return QRect(left, top, right - left, bottom - top);
}

QRect recorderPixels(const QRect &dialogUnits)
{
    return toPixels(dialogUnits, 6, 12);
}
QRect progressPixels(const QRect &dialogUnits)
{
    return toPixels(dialogUnits, 6, 13);
}

} // namespace RecorderTemplate
