// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// While one lives, Qt asks the recorder for the accessible interfaces of its
// own controls: the device lists (named by what they choose, where Qt would
// name them by their current entry), the position bar, the waveform and the
// input meter. The recorder window holds one from before its first control
// exists (Qt keeps the first interface it makes for a widget) to its end: the
// library may be unloaded after that, and Qt must not call into it then.
class RecorderAccessibility {
public:
    RecorderAccessibility();
    ~RecorderAccessibility();
    RecorderAccessibility(const RecorderAccessibility &) = delete;
    RecorderAccessibility &operator=(const RecorderAccessibility &) = delete;

    // Marks a drop-down list as one whose name is its own, not its entry's.
    static void nameByOwnName(QObject &list);

private:
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
