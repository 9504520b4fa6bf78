// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVarnelDlg.h"

#include "AudioDefaults.h"
#include "ControlIds.h"
#include "DeviceNotifier.h"
#include "DialogBuilder.h"
#include "QtMessageBoxes.h"
#include "SoundPlayer.h"
#include "UpDownControl.h"
#include "WindowAdoption.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMoveEvent>
#include <QRadioButton>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include <algorithm>

namespace {

const char *const kRecorderLibraryName = "NUVRecord.so";
const char *const kStartupSound = "NUVdata.mp3";
const char *const kDeviceDescription = "VEK ZR-4";
constexpr int kIdMaxLength = 4;
constexpr int kCompactBottomMargin = 10;
constexpr int kRecorderDockOffset = 5;

DialogTemplate loadTemplate()
{
    QFile file(QStringLiteral(":/Orlenta.tpl"));
    file.open(QIODevice::ReadOnly);
    // The template is compiled into the program; a broken one is a build
    // fault that the template test catches.
    return DialogTemplate::parse(QString::fromUtf8(file.readAll())).value_or(DialogTemplate{});
}

// Debug controls the user never sees.
constexpr int kDebugControls[] = {1049, 1050, 1022, 1023, 1073, 1112, 1111, 1113, 1177, 1, 1099};

// Controls that carry the bold 16-pixel font.
bool takesLabelFont(int id)
{
    static const QList<int> single{1150, 1185, 1165, 1145, 1147, 1148, 1149, 1141, 1130,
                                   1131, 1151, 1098, 1162, 1163, 1164, 1173, 1174, 1175};
    return single.contains(id) || (id >= 1121 && id <= 1129) || (id >= 1132 && id <= 1134) ||
           (id >= 1114 && id <= 1119) || (id >= 1153 && id <= 1158) || (id >= 1178 && id <= 1183);
}

} // namespace

CVarnelDlg::CVarnelDlg(PanelEnvironment environment, QWidget *parent)
    : QDialog(parent), environment_(std::move(environment)), template_(loadTemplate()),
      icon_(QStringLiteral(":/icon130.png")),
      channel_([this](const unsigned char *report,
                      int length) { return hidLibrary_.outputReport(report, length); },
               environment_.timing),
      monitorWindow_([this](unsigned int message, std::uintptr_t wParam,
                            const std::optional<InputReport::Words> &words) {
          if (message == DeviceConnection::kMonitorMessage)
              channel_.onMonitorMessage(wParam, words);
      }),
      presets_(environment_.settingsFolder), autostart_(environment_.autostartFolder),
      bindings_(*this), parameters_(channel_, bindings_, presets_)
{
    setObjectName(QString::number(kDialogId));
    // A top-level window of its own, so it gets a taskbar button like any
    // program; title, system menu, minimise and close, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    if (!environment_.messages) {
        ownMessages_ = std::make_unique<QtMessageBoxes>(this);
        environment_.messages = ownMessages_.get();
    }
    bindings_.setSender([this] { parameters_.send(); });
    parameters_.setStoreObserver([this](std::error_code failure) { settingsStored(failure); });
    channel_.setStateReportHandler(
        [this](const CommandFrame::Data &data) { parameters_.applyStateReport(data); });

    DeviceConnection::Hooks hooks;
    hooks.showState = [this](bool open) {
        setEnabled(ControlId::kCloseButton, open);
        setEnabled(ControlId::kOpenButton, !open);
    };
    hooks.readParameters = [this](std::function<void()> then) {
        parameters_.readFromDevice(std::move(then));
    };
    hooks.afterOpen = [this] { afterOpen(); };
    hooks.closed = [this] { deviceClosed(); };
    hooks.postOpen = [this] { postOpen(); };
    hooks.accessDenied = [this] { accessDenied(); };
    connection_ =
        std::make_unique<DeviceConnection>(hidLibrary_, channel_, monitorWindow_.window(), hooks);
    if (environment_.audioDefaults && environment_.player)
        startupAudio_ =
            std::make_unique<StartupAudio>(*environment_.audioDefaults, *environment_.player);

    buildControls();
    connectControls();
}

CVarnelDlg::~CVarnelDlg()
{
    channel_.setExiting();
    // The library's reader must stop posting before the window goes.
    if (channel_.isConnected()) {
        hidLibrary_.closeHidMonitor();
        hidLibrary_.closeDevice();
        channel_.setConnected(false);
    }
}

QString CVarnelDlg::libraryLoadFailure(const QString &fileName)
{
    return QStringLiteral("加载  %1  失败").arg(fileName);
}

QString CVarnelDlg::accessDeniedText()
{
    return QString::fromUtf8(kAccessDeniedText);
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
    environment_.messages->inform(text.toStdString(), "Message");
}

// For messages that come up in the middle of an open or a send: the box is
// shown once that has returned, so its own event loop runs nothing half done.
void CVarnelDlg::postMessage(const QString &text)
{
    QTimer::singleShot(0, this, [this, text] { showMessage(text); });
}

void CVarnelDlg::accessDenied()
{
    qWarning("%s", qPrintable(accessDeniedText()));
    postMessage(accessDeniedText());
}

// Said once when saving starts failing, not at every click; said again only
// after saving worked in between.
void CVarnelDlg::settingsStored(std::error_code failure)
{
    if (storeObserver_)
        storeObserver_(environment_.settingsFolder, failure);
    const bool stored = !failure;
    if (stored || settingsFailureShown_) {
        settingsFailureShown_ = !stored && settingsFailureShown_;
        return;
    }
    settingsFailureShown_ = true;
    postMessage(settingsNotSavedText(QString::fromStdString(environment_.settingsFolder.string())));
}

void CVarnelDlg::buildControls()
{
    const QFont templateFont(template_.fontFamily, template_.fontPointSize);
    setFont(templateFont);
    controls_ = DialogBuilder::build(template_, this);
    setFixedSize(
        DialogBuilder::toPixels(template_.rect, DialogBuilder::baseUnits(templateFont)).size());
}

void CVarnelDlg::connectControls()
{
    using namespace ControlId;
    for (const ValueControl &value : kValueControls) {
        if (auto *spin = dynamic_cast<UpDownControl *>(control(value.spin))) {
            const int id = value.spin;
            spin->setStepHandler([this, id](int delta) { bindings_.spinClicked(id, delta); });
        }
    }
    auto onClick = [this](int id, auto handler) {
        if (auto *button = qobject_cast<QAbstractButton *>(control(id)))
            connect(button, &QAbstractButton::clicked, this, handler);
    };
    for (int radio : kModeRadios)
        onClick(radio, [this, radio] { bindings_.modeClicked(radio); });
    for (int box : {kMicMute, kMusicMute, kRecMute, kSoundMix})
        onClick(box, [this] { bindings_.switchClicked(); });
    for (int button : kPresetButtons) {
        const int preset = ControlBindings::presetNumber(button);
        onClick(button, [this, preset] { parameters_.loadPreset(preset); });
        if (auto *presetButton = qobject_cast<QAbstractButton *>(control(button)))
            connect(presetButton, &QAbstractButton::toggled, this, [this] { syncTrayMenu(); });
    }
    onClick(kFactoryReset, [this] { parameters_.factoryReset(); });
    onClick(kOpenButton, [this] { openDevice(); });
    onClick(kCloseButton, [this] { connection_->close(); });
    onClick(kRecord, [this] { recordClicked(); });
}

bool CVarnelDlg::initialise()
{
    using namespace ControlId;
    setWindowIcon(icon_);
    setWindowTitle(template_.caption);
    if (!loadLibraries())
        return false;

    for (int id : {kVendorIdEdit, kProductIdEdit})
        if (auto *edit = qobject_cast<QLineEdit *>(control(id)))
            edit->setMaxLength(kIdMaxLength);
    setText(kVendorIdEdit, DeviceConnection::kDefaultVendorIdText);
    setText(kProductIdEdit, DeviceConnection::kDefaultProductIdText);
    parameters_.clearLastDeviceBlock();

    if (environment_.notifier)
        environment_.notifier->start([this](DeviceNotifier::Change change) {
            if (change == DeviceNotifier::Change::Arrival)
                connection_->arrival();
            else
                connection_->removal();
        });
    bindings_.disableDeviceControls();

    bindings_.selectOnlyPreset(ControlBindings::presetFromSetting(presets_.currentConfig()));
    for (const ValueControl &value : kValueControls)
        if (auto *spin = dynamic_cast<UpDownControl *>(control(value.spin)))
            spin->setRange(value.low, value.high);
    move(0, 0);
    applyFonts();
    if (presets_.createMissing())
        bindings_.selectOnlyPreset(1);
    makeCompact();
    setWindowTitle(template_.caption);
    createTrayIcon();
    hideDebugControls();
    postOpen();
    for (int id : {kCompactHeightStatic, 1179})
        if (QWidget *widget = control(id))
            widget->hide();
    return true;
}

bool CVarnelDlg::loadLibraries()
{
    const std::filesystem::path hid = environment_.programFolder / HidControlLibrary::kFileName;
    if (!hidLibrary_.load(hid.string())) {
        showMessage(libraryLoadFailure(QString::fromLatin1(HidControlLibrary::kFileName)));
        return false;
    }
    const std::filesystem::path recorder = environment_.programFolder / kRecorderLibraryName;
    if (!recorderLibrary_.load(recorder.string())) {
        showMessage(libraryLoadFailure(QString::fromLatin1(kRecorderLibraryName)));
        return false;
    }
    return true;
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
    const QWidget *mode = control(ControlId::kModeGroup);
    const QWidget *bottom = control(ControlId::kCompactHeightStatic);
    if (!mode || !bottom)
        return;
    compactWidth_ = mode->geometry().left() + mode->geometry().right() + 1;
    setFixedSize(compactWidth_, bottom->geometry().bottom() + 1 + kCompactBottomMargin);
    move(0, 0);
}

void CVarnelDlg::createTrayIcon()
{
    const MenuTemplate *menu = template_.menu(kTrayMenuId);
    trayIcon_.setActivationHandler([this] { toggleFromTray(); });
    trayIcon_.setAddedHandler([this] { trayAdded(); });
    trayIcon_.setCommandHandler(
        [this](int command, bool checked) { trayCommand(command, checked); });
    trayIcon_.Create(QStringLiteral("NUV Control"), icon_, menu ? *menu : MenuTemplate{});
    connect(trayIcon_.menu(), &QMenu::aboutToShow, this, [this] { syncTrayMenu(); });
    syncTrayMenu();
}

void CVarnelDlg::trayCommand(int command, bool checked)
{
    if (command == kExitCommand) {
        exitProgram();
        return;
    }
    if (command == kShowHideCommand) {
        toggleFromTray();
        return;
    }
    if (command == kStartAtLoginCommand) {
        setStartAtLogin(checked);
        return;
    }
    const auto preset = std::find(kPresetCommands.begin(), kPresetCommands.end(), command);
    if (preset != kPresetCommands.end()) {
        // Exactly what a click on the preset button does, and nothing while
        // the button takes no clicks.
        const int button = ControlId::kPresetButtons[preset - kPresetCommands.begin()];
        if (auto *presetButton = qobject_cast<QAbstractButton *>(control(button)))
            presetButton->click();
        syncTrayMenu();
    }
}

// The same entry as `orlenta autostart on` writes. The check mark shows
// what is on disk, whatever happened.
void CVarnelDlg::setStartAtLogin(bool on)
{
    std::string error;
    const bool changed =
        on ? autostart_.enable(AutostartEntry::commandFor(environment_.programFolder), error)
           : autostart_.disable(error);
    syncTrayMenu();
    if (!changed)
        showMessage(QStringLiteral("Orlenta could not change whether it starts at login: %1")
                        .arg(QString::fromStdString(error)));
}

// A notification area that comes after the window was minimised for want of
// one takes the window, as it would have at the minimise.
void CVarnelDlg::trayAdded()
{
    if (!isVisible() || !isMinimized())
        return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hideToTray();
}

// The menu follows the window, the preset buttons and the autostart entry:
// which way the first item goes, which preset is selected, whether presets
// can be chosen, whether the panel starts at login.
void CVarnelDlg::syncTrayMenu()
{
    if (!trayIcon_.menu())
        return;
    const bool shown = isVisible() && !isMinimized();
    trayIcon_.setItemText(kShowHideCommand,
                          shown ? QStringLiteral("Hide Orlenta") : QStringLiteral("Show Orlenta"));
    trayIcon_.setItemChecked(kStartAtLoginCommand, autostart_.isEnabled());
    for (std::size_t i = 0; i < kPresetCommands.size(); ++i) {
        const QWidget *button = control(ControlId::kPresetButtons[i]);
        trayIcon_.setItemChecked(kPresetCommands[i], isChecked(ControlId::kPresetButtons[i]));
        trayIcon_.setItemEnabled(kPresetCommands[i], button && button->isEnabled());
    }
}

void CVarnelDlg::hideDebugControls()
{
    for (int id : kDebugControls)
        if (QWidget *widget = control(id))
            widget->hide();
    if (QWidget *record = control(ControlId::kRecord))
        record->show();
    setEnabled(1099, false);
    setEnabled(1100, false);
}

// Runs the open once the event loop runs, like a click posted to the hidden
// open button: a button that an earlier open disabled takes no click, so
// notices that pile up before the first open ran open only once.
void CVarnelDlg::postOpen()
{
    QTimer::singleShot(0, this, [this] {
        const QWidget *openButton = control(ControlId::kOpenButton);
        if (openButton && openButton->isEnabled())
            openDevice();
    });
}

void CVarnelDlg::openDevice()
{
    connection_->open(text(ControlId::kVendorIdEdit), text(ControlId::kProductIdEdit));
}

void CVarnelDlg::afterOpen()
{
    QDir::setCurrent(QString::fromStdString(environment_.programFolder.string()));
    if (startupAudio_)
        startupAudio_->deviceConnected(environment_.programFolder / kStartupSound,
                                       kDeviceDescription);
}

void CVarnelDlg::deviceClosed()
{
    bindings_.disableDeviceControls();
    recorderLibrary_.deviceRemoved();
    recorderLibrary_.showDlgHide(0);
}

void CVarnelDlg::recordClicked()
{
    const QPoint rightTop = mapToGlobal(QPoint(width(), 0));
    int shown = 0;
    {
        const WindowAdoption adoption(this);
        shown =
            recorderLibrary_.openDlg(rightTop.x(), rightTop.y(), kRecorderWidth, kRecorderHeight);
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control(ControlId::kRecord)))
        button->setText(shown ? QStringLiteral("Record<<") : QStringLiteral("Record>>"));
}

void CVarnelDlg::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    const QPoint client = mapToGlobal(QPoint(0, 0));
    recorderLibrary_.setDlgPos(client.x() + compactWidth_ - kRecorderDockOffset, client.y());
}

void CVarnelDlg::hideToTray()
{
    hide();
    recorderLibrary_.showDlgHide(0);
}

void CVarnelDlg::toggleFromTray()
{
    if (isVisible() && !isMinimized())
        hideToTray();
    else
        bringToFront();
}

void CVarnelDlg::bringToFront(const QString &activationToken)
{
    // Where Qt activates windows through xdg-activation, it takes the token
    // from the environment; without one it asks the compositor for its own.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
    recorderLibrary_.showDlgHide(-1);
}

void CVarnelDlg::showAtStart(bool hidden)
{
    if (!hidden)
        show();
    else if (!trayIcon_.refresh())
        showMinimized();
}

void CVarnelDlg::showWindow(const std::string &activationToken)
{
    bringToFront(QString::fromStdString(activationToken));
}

void CVarnelDlg::hideWindow()
{
    if (trayIcon_.refresh())
        hideToTray();
    else
        showMinimized();
}

void CVarnelDlg::quitProgram()
{
    QTimer::singleShot(0, this, [this] { exitProgram(); });
}

// The dialog enables its device controls once the card's block is read.
bool CVarnelDlg::deviceControlsShown() const
{
    const QWidget *reset = control(ControlId::kFactoryReset);
    return reset && reset->isEnabled();
}

void CVarnelDlg::setStoreObserver(StoreObserver observer)
{
    storeObserver_ = std::move(observer);
}

PanelCommandTarget::CardState CVarnelDlg::cardState()
{
    if (!channel_.isConnected())
        return connection_->isAccessDenied() ? CardState::AccessDenied : CardState::NotFound;
    return deviceControlsShown() ? CardState::Ready : CardState::Silent;
}

PanelStatus CVarnelDlg::status()
{
    return PanelStatus::fromControls(*this, channel_.isConnected(), deviceControlsShown());
}

void CVarnelDlg::apply(const PanelValues &values, Done done)
{
    bindings_.show(values);
    parameters_.send(std::move(done));
}

void CVarnelDlg::loadPreset(int preset, Done done)
{
    parameters_.loadPreset(preset, std::move(done));
}

void CVarnelDlg::factoryReset(Done done)
{
    parameters_.factoryReset(std::move(done));
}

// Ends the dialog; the program leaves its main loop when the dialog has
// finished (see CVarnelApp).
void CVarnelDlg::exitProgram()
{
    channel_.setExiting();
    done(QDialog::Rejected);
}

// Enter does nothing in this window.
void CVarnelDlg::accept() {}

// Escape ends the program.
void CVarnelDlg::reject()
{
    channel_.setExiting();
    QDialog::reject();
}

// Without a notification area there is no way back to a hidden window, so
// the close box then ends the program, as Exit does.
void CVarnelDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (trayIcon_.refresh())
        hideToTray();
    else
        exitProgram();
}

// Minimised with a notification area, the window goes there; without one it
// stays on the taskbar. The recorder follows it either way.
void CVarnelDlg::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto *change = static_cast<QWindowStateChangeEvent *>(event);
    if (isMinimized()) {
        if (trayIcon_.refresh()) {
            QTimer::singleShot(0, this, [this] {
                setWindowState(windowState() & ~Qt::WindowMinimized);
                hideToTray();
            });
        } else {
            recorderLibrary_.showDlgHide(0);
        }
    } else if (change->oldState() & Qt::WindowMinimized) {
        recorderLibrary_.showDlgHide(-1);
    }
    syncTrayMenu();
}

void CVarnelDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    syncTrayMenu();
}

void CVarnelDlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    syncTrayMenu();
}

std::string CVarnelDlg::text(int id) const
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(control(id)))
        return edit->text().toStdString();
    return {};
}

void CVarnelDlg::setText(int id, const std::string &text)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control(id)))
        edit->setText(QString::fromStdString(text));
}

bool CVarnelDlg::isChecked(int id) const
{
    const auto *button = qobject_cast<const QAbstractButton *>(control(id));
    return button && button->isChecked();
}

void CVarnelDlg::setChecked(int id, bool checked)
{
    auto *button = qobject_cast<QAbstractButton *>(control(id));
    if (!button)
        return;
    // A radio button of an exclusive group cannot be cleared while it is the
    // checked one; the bindings keep the group rule themselves.
    auto *radio = qobject_cast<QRadioButton *>(button);
    if (radio)
        radio->setAutoExclusive(false);
    button->setChecked(checked);
    if (radio)
        radio->setAutoExclusive(true);
}

void CVarnelDlg::setEnabled(int id, bool enabled)
{
    if (QWidget *widget = control(id))
        widget->setEnabled(enabled);
    if (std::find(ControlId::kPresetButtons.begin(), ControlId::kPresetButtons.end(), id) !=
        ControlId::kPresetButtons.end())
        syncTrayMenu();
}
