// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidCardSession.h"

#include "DeviceNotifier.h"
#include "LogCategories.h"
#include "StartupAudio.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

namespace {
const char *const kStartupSound = "NUVdata.mp3";
} // namespace

HidCardSession::HidCardSession(Setup setup, QObject *parent)
    : CardSession(parent), setup_(std::move(setup)),
      channel_([this](const unsigned char *report,
                      int length) { return library_.outputReport(report, length); },
               setup_.timing),
      monitorWindow_([this](unsigned int message, std::uintptr_t wParam,
                            const std::optional<InputReport::Words> &words) {
          if (message == DeviceConnection::kMonitorMessage)
              channel_.onMonitorMessage(wParam, words);
      }),
      presets_(setup_.settingsFolder), parameters_(channel_, state_, presets_),
      connection_(library_, channel_, monitorWindow_.window(), *this), announced_(snapshot())
{
    parameters_.setStoreObserver([this](std::error_code failure) { stored(failure); });
    channel_.setStateReportHandler([this](const CardFrame::Data &data) {
        state_.show(ParameterBlock(data).unpack());
        announce(Source::CardReport);
    });
    if (setup_.audioDefaults && setup_.player)
        startupAudio_ = std::make_unique<StartupAudio>(*setup_.audioDefaults, *setup_.player);
    settleDeadline_.setSingleShot(true);
    connect(&settleDeadline_, &QTimer::timeout, this, [this] {
        channel_.dropWaitingWrites();
        settled();
    });
}

HidCardSession::~HidCardSession()
{
    // Whoever waits for the settling may be gone already.
    settled_ = nullptr;
    channel_.setExiting();
    // The library's reader must stop posting before the window it posts to goes.
    if (channel_.isConnected()) {
        library_.closeHidMonitor();
        library_.closeDevice();
        channel_.setConnected(false);
    }
}

std::filesystem::path HidCardSession::libraryPath() const
{
    return setup_.programFolder / HidControlLibrary::kFileName;
}

bool HidCardSession::loadLibrary()
{
    const std::filesystem::path path = libraryPath();
    const bool loaded = library_.load(path.string());
    if (!loaded)
        qCWarning(lcCard) << "cannot load" << path.c_str() << ":" << library_.loadError().c_str();
    announce(Source::Connection);
    return loaded;
}

void HidCardSession::start()
{
    followNotices();
    selectPresetAsAtStart();
    openLater();
}

void HidCardSession::followNotices()
{
    if (setup_.notifier)
        setup_.notifier->start([this](DeviceNotifier::Change change) {
            deviceNotice(change == DeviceNotifier::Change::Arrival);
        });
}

CardState HidCardSession::openAndWait(std::chrono::milliseconds readWait)
{
    if (!library_.isLoaded() && !loadLibrary())
        return CardState::NoLibrary;
    selectPresetAsAtStart();
    makeMissingFiles();
    // The running panel keeps asking a silent card for as long as it runs;
    // a command waits only this long for an answer to one of the attempts.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, this, [this] { channel_.setAbort(true); });
    giveUp.start(readWait);
    open();
    if (cardState() == CardState::NotAnswering && giveUp.isActive()) {
        QEventLoop loop;
        QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
        readWait_ = &loop;
        loop.exec();
        readWait_ = nullptr;
    }
    giveUp.stop();
    channel_.setAbort(false);
    return cardState();
}

// The selection setting.ini names; a first start, without one, selects preset 1.
void HidCardSession::selectPresetAsAtStart()
{
    state_.selectOnlyPreset(
        presets_.hasSettingFile() ? PanelState::presetFromSetting(presets_.currentConfig()) : 1);
    announce(Source::Preset);
}

void HidCardSession::makeMissingFiles()
{
    presets_.createMissing();
}

// Runs once the event loop runs, like a click posted to a hidden open
// button: notices that pile up before the first open ran open only once,
// since an open card takes no second open.
void HidCardSession::openLater()
{
    QTimer::singleShot(0, this, [this] {
        if (!channel_.isConnected() && !channel_.isExiting())
            open();
    });
}

void HidCardSession::open()
{
    // Set first: the open tells its outcome before it returns.
    looked_ = true;
    if (!connection_.open(DeviceConnection::kDefaultVendorIdText,
                          DeviceConnection::kDefaultProductIdText))
        announce(Source::Connection);
}

void HidCardSession::deviceNotice(bool arrival)
{
    if (arrival)
        connection_.arrival();
    else
        connection_.removal();
    announce(Source::Connection);
}

void HidCardSession::readBlock(std::function<void()> then)
{
    readState_ = CardState::Opening;
    announce(Source::Connection);
    parameters_.read(
        [this, then = std::move(then)](bool answered) {
            if (!answered && channel_.isConnected() && readState_ == CardState::Opening) {
                readState_ = CardState::NotAnswering;
                qCWarning(lcCard) << "the card did not answer the read; asking again";
                announce(Source::Connection);
            }
            then();
        },
        [this](const std::optional<ParameterBlock> &block) { blockRead(block); });
}

void HidCardSession::blockRead(const std::optional<ParameterBlock> &block)
{
    if (block) {
        state_.enableDeviceControls();
        // A change the user made while the read was retried is still on its
        // way to the card and newer than this answer: the panel keeps showing it.
        state_.show(channel_.waitingWrites() > 0 ? state_.values() : block->unpack());
        readState_ = CardState::Ready;
        announce(Source::Connection);
    }
    if (readWait_)
        readWait_->quit();
}

// The card is welcomed to the desktop once its read's first attempt is over.
void HidCardSession::opened()
{
    if (!startupAudio_)
        return;
    QDir::setCurrent(QString::fromStdString(setup_.programFolder.string()));
    startupAudio_->deviceConnected(setup_.programFolder / kStartupSound,
                                   DeviceConnection::kCardName);
}

void HidCardSession::closed()
{
    state_.disableDeviceControls();
}

void HidCardSession::openRefused()
{
    qCWarning(lcCard).noquote() << kAccessDeniedText;
    emit accessDenied();
}

void HidCardSession::setStoreObserver(StoreObserver observer)
{
    storeObserver_ = std::move(observer);
}

// Said once when saving starts failing, not at every change; said again only
// after saving worked in between.
void HidCardSession::stored(std::error_code failure)
{
    if (storeObserver_)
        storeObserver_(presets_.folder(), failure);
    if (!failure) {
        settingsFailing_ = false;
        return;
    }
    if (settingsFailing_)
        return;
    settingsFailing_ = true;
    qCWarning(lcCard) << "cannot save the settings in" << presets_.folder().c_str() << ":"
                      << failure.message().c_str();
    emit settingsNotSaved(QString::fromStdString(presets_.folder().string()));
}

CardState HidCardSession::cardState() const
{
    if (!library_.isLoaded())
        return CardState::NoLibrary;
    if (!channel_.isConnected())
        return connection_.isAccessDenied() ? CardState::AccessDenied : CardState::Absent;
    return readState_;
}

PanelStatus HidCardSession::status() const
{
    const CardState card = cardState();
    return state_.status(isConnected(card), card == CardState::Ready);
}

void HidCardSession::apply(const PanelValues &values, Done done)
{
    state_.show(values);
    announce(Source::Command, true);
    send(std::move(done));
}

void HidCardSession::loadPreset(int preset, Done done)
{
    state_.selectOnlyPreset(preset);
    state_.show(parameters_.presetValues(preset));
    announce(Source::Preset, true);
    send(std::move(done));
    parameters_.storeSelection(preset);
}

void HidCardSession::factoryReset(Done done)
{
    state_.show(ParameterBlock::factory().unpack());
    announce(Source::Reset, true);
    send(std::move(done));
}

void HidCardSession::type(int editId, int value)
{
    if (state_.type(editId, value))
        announce(Source::User);
}

void HidCardSession::step(int spinId, int delta)
{
    if (stepping_ || !state_.step(spinId, delta))
        return;
    stepping_ = true;
    announce(Source::User, true);
    send();
    stepping_ = false;
}

void HidCardSession::chooseMode(int code)
{
    state_.chooseMode(code);
    announce(Source::User, true);
    send();
}

void HidCardSession::setSwitch(int boxId, bool on)
{
    if (!state_.setSwitch(boxId, on))
        return;
    announce(Source::User, true);
    send();
}

void HidCardSession::send(Done done)
{
    ++writesUnderway_;
    parameters_.send([this, done = std::move(done)](bool answered) {
        --writesUnderway_;
        if (done)
            done(answered);
        if (writesUnderway_ == 0)
            settled();
    });
}

void HidCardSession::settle(std::chrono::milliseconds deadline, std::function<void()> settled)
{
    settled_ = std::move(settled);
    if (writesUnderway_ == 0)
        this->settled();
    else
        settleDeadline_.start(deadline);
}

void HidCardSession::settled()
{
    settleDeadline_.stop();
    if (const std::function<void()> waiting = std::exchange(settled_, nullptr))
        waiting();
}

// A read still going on (a silent card is asked again and again) brings the
// block by itself.
void HidCardSession::readAgain()
{
    if (channel_.isConnected() && readState_ == CardState::Ready)
        readBlock([] {});
}

void HidCardSession::end()
{
    channel_.setExiting();
}

void HidCardSession::announce(Source source, bool writes)
{
    const Snapshot now = snapshot();
    Changes what;
    if (announced_.state.values() != now.state.values() ||
        announced_.state.mode() != now.state.mode())
        what |= Values;
    if (announced_.state.preset() != now.state.preset())
        what |= Preset;
    if (announced_.card != now.card)
        what |= Card;
    if (announced_.state.enabledControls() != now.state.enabledControls())
        what |= Controls;
    announced_ = now;
    if (what || writes)
        emit changed(what, source);
}
