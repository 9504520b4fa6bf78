// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVarnelDlg.h"

#include "CardSession.h"
#include "ControlIds.h"
#include "DeviceConnection.h"
#include "DialogBuilder.h"
#include "DockedTabChain.h"
#include "MessageBoxes.h"
#include "QtMessageBoxes.h"
#include "UpDownControl.h"
#include "ValueEditAccessible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

using namespace ControlId;

namespace {

constexpr int kIdMaxLength = 4;
constexpr int kCompactBottomMargin = 10;

DialogTemplate loadTemplate()
{
    QFile file(QStringLiteral(":/Orlenta.tpl"));
    file.open(QIODevice::ReadOnly);
    // The template is compiled into the program; a broken one is a build
    // fault that the template test catches.
    return DialogTemplate::parse(QString::fromUtf8(file.readAll())).value_or(DialogTemplate{});
}

// Debug controls the user never sees, and statics that only give the
// compact window its size.
constexpr int kHiddenControls[] = {1049, 1050, 1022, 1023, 1073, 1112, 1111,
                                   1113, 1177, 1,    1099, 1181, 1179};

// Controls that carry the bold 16-pixel font.
bool takesLabelFont(int id)
{
    static const QList<int> single{1150, 1185, 1165, 1145, 1147, 1148, 1149, 1141, 1130,
                                   1131, 1151, 1098, 1162, 1163, 1164, 1173, 1174, 1175};
    return single.contains(id) || (id >= 1121 && id <= 1129) || (id >= 1132 && id <= 1134) ||
           (id >= 1114 && id <= 1119) || (id >= 1153 && id <= 1158) || (id >= 1178 && id <= 1183);
}

// A radio button of an exclusive group cannot be cleared while it is the
// checked one; the session keeps the group rule itself.
void setChecked(QWidget *widget, bool checked)
{
    auto *button = qobject_cast<QAbstractButton *>(widget);
    if (!button || button->isChecked() == checked)
        return;
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

} // namespace

CVarnelDlg::CVarnelDlg(CardSession &session, MessageBoxes *messages, QWidget *parent)
    : QDialog(parent), session_(session),
      ownMessages_(messages ? nullptr : std::make_unique<QtMessageBoxes>(this)),
      messages_(messages ? *messages : *ownMessages_), template_(loadTemplate()),
      icon_(QStringLiteral(":/icon130.png"))
{
    static const bool spinBoxesAnswered =
        (QAccessible::installFactory(&ValueEditAccessible::create), true);
    Q_UNUSED(spinBoxesAnswered);
    setObjectName(QString::number(kDialogId));
    // A top-level window of its own, so it gets a taskbar button like any
    // program; title, system menu, minimise and close, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(icon_);
    setWindowTitle(template_.caption);
    buildControls();
    applyFonts();
    makeCompact();
    hideDebugControls();
    hideOutsideControls();
    nameControls();
    groupModes();
    connectControls();
    connect(&session_, &CardSession::changed, this, [this] { render(); });
    connect(&session_, &CardSession::accessDenied, this,
            [this] { postMessage(accessDeniedText()); });
    connect(&session_, &CardSession::settingsNotSaved, this,
            [this](const QString &folder) { postMessage(settingsNotSavedText(folder)); });
    render();
}

CVarnelDlg::~CVarnelDlg() = default;

QString CVarnelDlg::libraryLoadFailure(const QString &fileName)
{
    return QStringLiteral("加载  %1  失败").arg(fileName);
}

QString CVarnelDlg::accessDeniedText()
{
    return QString::fromUtf8(CardSession::kAccessDeniedText);
}

QString CVarnelDlg::settingsNotSavedText(const QString &folder)
{
    return QStringLiteral("Orlenta could not save its settings in %1. The card has your change, "
                          "but the preset will not hold it after Orlenta ends. Check that the "
                          "folder exists, may be written to and has free space.")
        .arg(folder);
}

void CVarnelDlg::showMessage(const QString &text)
{
    messages_.inform(text.toStdString(), "Message");
}

// For messages that come up in the middle of an open or a send: the box is
// shown once that has returned, so its own event loop runs nothing half done.
void CVarnelDlg::postMessage(const QString &text)
{
    QTimer::singleShot(0, this, [this, text] { showMessage(text); });
}

void CVarnelDlg::buildControls()
{
    const QFont templateFont(template_.fontFamily, template_.fontPointSize);
    setFont(templateFont);
    controls_ = DialogBuilder::build(template_, this);
    setFixedSize(
        DialogBuilder::toPixels(template_.rect, DialogBuilder::baseUnits(templateFont)).size());
    for (const ValueControl &value : kValueControls) {
        auto *spin = dynamic_cast<UpDownControl *>(control(value.spin));
        auto *edit = qobject_cast<QLineEdit *>(control(value.edit));
        if (!spin || !edit)
            continue;
        spin->setRange(value.low, value.high);
        ValueEditAccessible::bind(*edit, *spin);
    }
    // The ids the card is looked for by, as the original dialog showed them.
    for (auto [id, text] : {std::pair{kVendorIdEdit, DeviceConnection::kDefaultVendorIdText},
                            std::pair{kProductIdEdit, DeviceConnection::kDefaultProductIdText}})
        if (auto *edit = qobject_cast<QLineEdit *>(control(id))) {
            edit->setMaxLength(kIdMaxLength);
            edit->setText(QString::fromLatin1(text));
        }
}

template <typename Handler> void CVarnelDlg::onClick(int id, Handler handler)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control(id)))
        connect(button, &QAbstractButton::clicked, this, handler);
}

void CVarnelDlg::connectControls()
{
    for (const ValueControl &value : kValueControls) {
        auto *spin = dynamic_cast<UpDownControl *>(control(value.spin));
        auto *edit = qobject_cast<QLineEdit *>(control(value.edit));
        if (!spin || !edit)
            continue;
        spin->setStepHandler([this, id = value.spin](int delta) { session_.step(id, delta); });
        connect(edit, &QLineEdit::textChanged, this, [this, id = value.edit](const QString &text) {
            session_.type(id, PanelState::leadingNumber(text.toStdString()));
        });
        keys_.watch(*edit, *spin);
    }
    for (std::size_t code = 0; code < kModeRadios.size(); ++code)
        onClick(kModeRadios[code], [this, code] { session_.chooseMode(static_cast<int>(code)); });
    for (const SwitchControl &box : kSwitchControls)
        onClick(box.box, [this, id = box.box](bool checked) { session_.setSwitch(id, checked); });
    for (int button : kPresetButtons)
        onClick(button, [this, preset = PanelState::presetNumber(button)] {
            session_.loadPreset(preset, {});
        });
    onClick(kFactoryReset, [this] { session_.factoryReset({}); });
    onClick(kRecord, [this] { emit recordClicked(); });
}

// The fonts are given by their cell heights, 24 and 16 pixels; Arial's em is
// about 0.87 of its cell.
void CVarnelDlg::applyFonts()
{
    QFont valueFont(QStringLiteral("Arial"));
    valueFont.setBold(true);
    valueFont.setPixelSize(21);
    QFont labelFont = valueFont;
    labelFont.setPixelSize(14);
    for (auto it = controls_.cbegin(); it != controls_.cend(); ++it) {
        if (it.key() >= 1102 && it.key() <= 1110)
            it.value()->setFont(valueFont);
        else if (takesLabelFont(it.key()))
            it.value()->setFont(labelFont);
    }
}

// Only the left part of the dialog shows: as wide as the mode group with the
// same margin on its right, as high as the hidden static's bottom.
void CVarnelDlg::makeCompact()
{
    const QWidget *mode = control(kModeGroup);
    const QWidget *bottom = control(kCompactHeightStatic);
    if (!mode || !bottom)
        return;
    setFixedSize(mode->geometry().left() + mode->geometry().right() + 1,
                 bottom->geometry().bottom() + 1 + kCompactBottomMargin);
}

void CVarnelDlg::hideDebugControls()
{
    for (int id : kHiddenControls)
        if (QWidget *widget = control(id))
            widget->hide();
    for (int id : {1099, 1100})
        if (QWidget *widget = control(id))
            widget->setEnabled(false);
}

// Controls that lie wholly outside the compact window: nobody can see them,
// so neither the focus nor a screen reader may reach them.
void CVarnelDlg::hideOutsideControls()
{
    for (QWidget *widget : std::as_const(controls_))
        if (!rect().intersects(widget->geometry()))
            widget->hide();
}

// A value is named by the static text beside it ("Master Vol:" names Master
// Vol); its arrows carry the same name.
void CVarnelDlg::nameControls()
{
    for (const ValueControl &value : kValueControls) {
        const auto *label = qobject_cast<QLabel *>(control(value.label));
        auto *spin = dynamic_cast<UpDownControl *>(control(value.spin));
        QWidget *edit = control(value.edit);
        if (!label || !spin || !edit)
            continue;
        QString name = label->text().simplified();
        if (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        edit->setAccessibleName(name);
        spin->setAccessibleName(name);
        spin->upButton()->setAccessibleName(name + QStringLiteral(" up"));
        spin->downButton()->setAccessibleName(name + QStringLiteral(" down"));
    }
}

// The mode buttons belong to their frame: one group for the keyboard (one
// Tab stop, the arrows move between them) and for a screen reader.
void CVarnelDlg::groupModes()
{
    QWidget *group = control(kModeGroup);
    if (!group)
        return;
    for (int id : kModeRadios)
        if (QWidget *radio = control(id)) {
            const QRect where = radio->geometry().translated(-group->geometry().topLeft());
            radio->setParent(group);
            radio->setGeometry(where);
            radio->show();
            radio->installEventFilter(this);
        }
}

// Tab into the mode group lands on the mode that is chosen, as in any radio group.
bool CVarnelDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FocusIn)
        return false;
    const auto *focus = static_cast<QFocusEvent *>(event);
    if (focus->reason() != Qt::TabFocusReason && focus->reason() != Qt::BacktabFocusReason)
        return false;
    const std::optional<int> mode = session_.shown().mode();
    QWidget *chosen = mode ? control(kModeRadios[static_cast<std::size_t>(*mode)]) : nullptr;
    if (chosen && chosen != watched)
        chosen->setFocus(focus->reason());
    return false;
}

bool CVarnelDlg::focusNextPrevChild(bool next)
{
    return DockedTabChain::handOver(*this, next) || QDialog::focusNextPrevChild(next);
}

void CVarnelDlg::render()
{
    renderValues();
    renderChecks();
    renderEnabled();
    renderCard();
}

// What a screen reader says of the window: the card it works with, or that
// there is none.
void CVarnelDlg::renderCard()
{
    setAccessibleDescription(isConnected(session_.cardState())
                                 ? QString::fromLatin1(DeviceConnection::kCardName)
                                 : QStringLiteral("No card"));
}

// A number the user is typing stays as typed while it means the same value.
void CVarnelDlg::renderValues()
{
    const PanelValues &values = session_.shown().values();
    for (const ValueControl &value : kValueControls) {
        auto *edit = qobject_cast<QLineEdit *>(control(value.edit));
        const int shown = values.*value.setting;
        if (!edit || PanelState::leadingNumber(edit->text().toStdString()) == shown)
            continue;
        edit->setText(QString::number(shown));
        QAccessibleValueChangeEvent changed(edit, shown);
        QAccessible::updateAccessibility(&changed);
    }
}

void CVarnelDlg::renderChecks()
{
    const PanelState &shown = session_.shown();
    for (const SwitchControl &box : kSwitchControls)
        setChecked(control(box.box), shown.values().*box.setting);
    for (std::size_t code = 0; code < kModeRadios.size(); ++code)
        setChecked(control(kModeRadios[code]), shown.mode() == static_cast<int>(code));
    for (int button : kPresetButtons)
        setChecked(control(button), shown.preset() == PanelState::presetNumber(button));
}

void CVarnelDlg::renderEnabled()
{
    for (int id : PanelState::governedControls())
        if (QWidget *widget = control(id))
            widget->setEnabled(session_.shown().isEnabled(id));
}

void CVarnelDlg::showRecorderShown(bool shown)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control(kRecord)))
        button->setText(shown ? QStringLiteral("Record<<") : QStringLiteral("Record>>"));
}

// Ends the dialog; the program leaves its main loop when the dialog has
// finished (see CVarnelApp).
void CVarnelDlg::exitProgram()
{
    session_.end();
    done(QDialog::Rejected);
}

void CVarnelDlg::accept() {}

void CVarnelDlg::reject()
{
    session_.end();
    QDialog::reject();
}
