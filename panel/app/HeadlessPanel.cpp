// SPDX-License-Identifier: GPL-3.0-or-later
#include "HeadlessPanel.h"

#include "ControlIds.h"

#include <QEventLoop>
#include <QTimer>

HeadlessPanel::HeadlessPanel(Setup setup)
    : setup_(std::move(setup)),
      channel_([this](const unsigned char *report,
                      int length) { return library_.outputReport(report, length); },
               setup_.timing),
      monitorWindow_([this](unsigned int message, std::uintptr_t wParam,
                            const std::optional<InputReport::Words> &words) {
          if (message == DeviceConnection::kMonitorMessage)
              channel_.onMonitorMessage(wParam, words);
      }),
      presets_(setup_.settingsFolder), bindings_(controls_),
      parameters_(channel_, bindings_, presets_)
{
    channel_.setStateReportHandler(
        [this](const CommandFrame::Data &data) { parameters_.applyStateReport(data); });
    DeviceConnection::Hooks hooks;
    hooks.readParameters = [this](std::function<void()> then) {
        parameters_.readFromDevice(std::move(then), [this] {
            if (readLoop_)
                readLoop_->quit();
        });
    };
    connection_ = std::make_unique<DeviceConnection>(library_, channel_, monitorWindow_.window(),
                                                     std::move(hooks));
}

HeadlessPanel::~HeadlessPanel()
{
    channel_.setExiting();
    if (channel_.isConnected()) {
        library_.closeHidMonitor();
        library_.closeDevice();
        channel_.setConnected(false);
    }
}

void HeadlessPanel::setStoreObserver(StoreObserver observer)
{
    if (!observer) {
        parameters_.setStoreObserver({});
        return;
    }
    parameters_.setStoreObserver([this, observer = std::move(observer)](std::error_code failure) {
        observer(presets_.folder(), failure);
    });
}

PanelCommandTarget::CardState HeadlessPanel::cardState()
{
    if (!state_)
        state_ = open();
    return *state_;
}

// The dialog's start in the same order: the library, the selection from
// setting.ini and the files a first start makes, then the card.
PanelCommandTarget::CardState HeadlessPanel::open()
{
    if (!library_.load((setup_.programFolder / HidControlLibrary::kFileName).string()))
        return CardState::LibraryMissing;
    selectPresetAsAtStart();

    // The dialog keeps asking a silent card for as long as it runs; a command
    // waits only this long for an answer to one of the read's attempts.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [this] { channel_.setAbort(true); });
    giveUp.start(setup_.readWait);
    if (!connection_->open(DeviceConnection::kDefaultVendorIdText,
                           DeviceConnection::kDefaultProductIdText))
        return connection_->isAccessDenied() ? CardState::AccessDenied : CardState::NotFound;
    // The open returns after the read's first attempt; an unanswered one is
    // tried again in the background, which is what the command waits for.
    if (channel_.pendingCount() > 0 && giveUp.isActive()) {
        QEventLoop loop;
        QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
        readLoop_ = &loop;
        loop.exec();
        readLoop_ = nullptr;
    }
    giveUp.stop();
    channel_.setAbort(false);
    return blockShown() ? CardState::Ready : CardState::Silent;
}

void HeadlessPanel::selectPresetAsAtStart()
{
    bindings_.selectOnlyPreset(ControlBindings::presetFromSetting(presets_.currentConfig()));
    if (presets_.createMissing())
        bindings_.selectOnlyPreset(1);
}

// The dialog enables its device controls once the card's block is read.
bool HeadlessPanel::blockShown() const
{
    return controls_.isEnabled(ControlId::kFactoryReset);
}

PanelStatus HeadlessPanel::status()
{
    return PanelStatus::fromControls(controls_, channel_.isConnected(), blockShown());
}

void HeadlessPanel::apply(const PanelValues &values, Done done)
{
    bindings_.show(values);
    parameters_.send(std::move(done));
}

void HeadlessPanel::loadPreset(int preset, Done done)
{
    parameters_.loadPreset(preset, std::move(done));
}

void HeadlessPanel::factoryReset(Done done)
{
    parameters_.factoryReset(std::move(done));
}
