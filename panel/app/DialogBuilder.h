// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DialogTemplate.h"

#include <QFont>
#include <QHash>
#include <QPointF>

class QWidget;

// Makes the widgets of a dialog template inside a window. Positions are
// converted from dialog units with the base units of the template's font,
// the way dialog templates have always been laid out.
class DialogBuilder {
public:
    // Average character width and height of the font, in pixels.
    static QPointF baseUnits(const QFont &font);
    static QRect toPixels(const QRect &dialogUnits, const QPointF &base);

    // Creates every control as a child of window; objectName is the id.
    static QHash<int, QWidget *> build(const DialogTemplate &dialog, QWidget *window);
};
