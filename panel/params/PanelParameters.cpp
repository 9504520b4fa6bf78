#include "PanelParameters.h"

#include <QThread>

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
        presets_.writePresetText(preset, block.toText());
    CommandFrame frame(CommandFrame::kParameterWriteHead, block.bytes());
    channel_.SendCommandJY(kParameterKey, frame,
                           [done = std::move(done)](bool answered, const CommandFrame &) {
                               if (!answered)
                                   QThread::msleep(kFailedWritePauseMs);
                               if (done)
                                   done(answered);
                           });
}

void PanelParameters::readFromDevice(std::function<void()> then)
{
    CommandFrame frame = CommandFrame::readRequest(kParameterReadIndex);
    channel_.RecvCommandJY(
        kParameterReadIndex, frame,
        [this, then = std::move(then)](bool answered, const CommandFrame &answer) {
            if (answered) {
                lastDeviceBlock_ = ParameterBlock(answer.data());
                bindings_.enableDeviceControls();
                bindings_.show(lastDeviceBlock_.unpack());
            }
            if (then)
                then();
        });
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
    presets_.writeCurrentConfig(preset);
}

void PanelParameters::factoryReset(Done done)
{
    bindings_.show(ParameterBlock::factory().unpack());
    send(std::move(done));
}
