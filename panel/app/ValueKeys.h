// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>

class QLineEdit;
class UpDownControl;

// The keys of a value's edit box: Up and Down step it by one, Page Up and
// Page Down by a page, Home and End to its limits, each as its spin's arrows
// do (one write a key, and a held key's repeats dropped while a write waits,
// as a held arrow's are).
class ValueKeys : public QObject {
public:
    using QObject::QObject;

    void watch(QLineEdit &edit, UpDownControl &spin);
    // A quarter of the range, at least two steps.
    static int pageOf(const UpDownControl &spin);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QHash<QObject *, UpDownControl *> spins_;
};
