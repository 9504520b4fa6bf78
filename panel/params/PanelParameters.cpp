// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelParameters.h"

#include <QThread>

#include <memory>
#include <utility>

namespace {
constexpr std::uint8_t kParameterKey = 0x20;
constexpr std::uint8_t kParameterReadIndex = 1;
constexpr unsigned long kFailedWritePauseMs = 5;
} // namespace

PanelParameters::PanelParameters(CommandChannel &channel, ControlBindings &bindings,
                                 PresetFiles &presets)
    : channel_(channel), bindings_(bindings), presets_(presets)
{
}

void PanelParameters::send(Done done)
{
    const ParameterBlock block = ParameterBlock::pack(bindings_.values());
    for (int preset : bindings_.checkedPresets())
        stored(presets_.writePresetText(preset, block.toText()));
    CommandFrame frame(CommandFrame::kParameterWriteHead, block.bytes());
    channel_.SendCommandJY(kParameterKey, frame,
                           [done = std::move(done)](bool answered, const CommandFrame &) {
                               if (!answered)
                                   QThread::msleep(kFailedWritePauseMs);
                               if (done)
                                   done(answered);
                           });
}

void PanelParameters::readFromDevice(std::function<void()> then, std::function<void()> ended)
{
    // then runs once: after the first attempt, answered or not, or when the
    // read ends without one.
    auto once = std::make_shared<std::function<void()>>(std::move(then));
    auto runOnce = [once] {
        if (const std::function<void()> next = std::exchange(*once, nullptr))
            next();
    };
    CommandFrame frame = CommandFrame::readRequest(kParameterReadIndex);
    channel_.RecvCommandJY(
        kParameterReadIndex, frame,
        [this, runOnce, ended = std::move(ended)](bool answered, const CommandFrame &answer) {
            if (answered) {
                lastDeviceBlock_ = ParameterBlock(answer.data());
                bindings_.enableDeviceControls();
                // A change the user made while the read was retried is still
                // on its way to the device and newer than this answer: the
                // panel keeps showing it.
                bindings_.show(channel_.waitingWrites() > 0 ? bindings_.values()
                                                            : lastDeviceBlock_.unpack());
            }
            runOnce();
            if (ended)
                ended();
        },
        runOnce);
}

void PanelParameters::applyStateReport(const CommandFrame::Data &data)
{
    lastDeviceBlock_ = ParameterBlock(data);
    bindings_.show(lastDeviceBlock_.unpack());
}

void PanelParameters::loadPreset(int preset, Done done)
{
    bindings_.selectOnlyPreset(preset);
    bindings_.show(ParameterBlock::fromText(presets_.presetText(preset)).unpack());
    send(std::move(done));
    stored(presets_.writeCurrentConfig(preset));
}

void PanelParameters::stored(bool ok)
{
    if (storeObserver_)
        storeObserver_(ok ? std::error_code() : presets_.lastWriteError());
}

void PanelParameters::factoryReset(Done done)
{
    bindings_.show(ParameterBlock::factory().unpack());
    send(std::move(done));
}
