// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueKeys.h"

#include "UpDownControl.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

void ValueKeys::watch(QLineEdit &edit, UpDownControl &spin)
{
    spins_.insert(&edit, &spin);
    edit.installEventFilter(this);
}

int ValueKeys::pageOf(const UpDownControl &spin)
{
    return std::max(2, (spin.high() - spin.low() + 1) / 4);
}

bool ValueKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    UpDownControl *spin = spins_.value(watched);
    const auto *key = static_cast<QKeyEvent *>(event);
    // With a modifier the keys keep their meaning in the text (Shift+Home selects).
    if (!spin || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const int range = spin->high() - spin->low();
    int delta = 0;
    switch (key->key()) {
    case Qt::Key_Up:
        delta = 1;
        break;
    case Qt::Key_Down:
        delta = -1;
        break;
    case Qt::Key_PageUp:
        delta = pageOf(*spin);
        break;
    case Qt::Key_PageDown:
        delta = -pageOf(*spin);
        break;
    case Qt::Key_Home:
        delta = -range;
        break;
    case Qt::Key_End:
        delta = range;
        break;
    default:
        return false;
    }
    spin->step(delta);
    return true;
}
