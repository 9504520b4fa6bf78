// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogBuilder.h"

#include "UpDownControl.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

QPointF DialogBuilder::baseUnits(const QFont &font)
{
    const QFontMetricsF metrics(font);
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {metrics.horizontalAdvance(letters) / letters.size(), metrics.height()};
}

QRect DialogBuilder::toPixels(const QRect &du, const QPointF &base)
{
    auto x = [&](int v) { return static_cast<int>(std::lround(v * base.x() / 4.0)); };
    auto y = [&](int v) { return static_cast<int>(std::lround(v * base.y() / 8.0)); };
    return QRect(x(du.x()), y(du.y()), x(du.width()), y(du.height()));
}

namespace {

QWidget *create(const ControlTemplate &control, QWidget *window)
{
    const QString &kind = control.kind;
    if (kind == QLatin1String("CHECKBOX"))
        return new QCheckBox(control.caption, window);
    if (kind == QLatin1String("RADIO"))
        return new QRadioButton(control.caption, window);
    if (kind == QLatin1String("GROUPBOX"))
        return new QGroupBox(control.caption, window);
    if (kind == QLatin1String("EDIT")) {
        auto *edit = new QLineEdit(window);
        edit->setFrame(control.has("BORDER"));
        return edit;
    }
    if (kind == QLatin1String("UPDOWN"))
        return new UpDownControl(window);
    if (kind == QLatin1String("LTEXT")) {
        auto *label = new QLabel(control.caption, window);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    auto *button = new QPushButton(control.caption, window);
    // Enter never presses a button of this dialog.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setCheckable(kind == QLatin1String("PUSHLIKE"));
    return button;
}

} // namespace

QHash<int, QWidget *> DialogBuilder::build(const DialogTemplate &dialog, QWidget *window)
{
    const QPointF base = baseUnits(window->font());
    QHash<int, QWidget *> widgets;
    for (const ControlTemplate &control : dialog.controls) {
        QWidget *widget = create(control, window);
        widget->setObjectName(QString::number(control.id));
        widget->setGeometry(toPixels(control.rect, base));
        widget->setVisible(!control.has("HIDDEN"));
        widget->setEnabled(!control.has("DISABLED"));
        // Group boxes only frame what lies on them.
        if (control.kind == QLatin1String("GROUPBOX"))
            widget->lower();
        widgets.insert(control.id, widget);
    }
    return widgets;
}
