// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelParameters.h"

#include <QThread>

#include <memory>
#include <utility>

namespace {
constexpr std::uint8_t kParameterKey = 0x20;
constexpr unsigned long kFailedWritePauseMs = 5;
} // namespace

PanelParameters::PanelParameters(CardChannel &channel, const PanelState &state,
                                 PresetFiles &presets)
    : channel_(channel), state_(state), presets_(presets)
{
}

void PanelParameters::send(Done done)
{
    const ParameterBlock block = ParameterBlock::pack(state_.values());
    if (state_.preset() != 0)
        stored(presets_.writePresetText(state_.preset(), block.toText()));
    CardFrame frame(CardFrame::kParameterWriteHead, block.bytes());
    channel_.SendCommandJY(kParameterKey, frame,
                           [done = std::move(done)](bool answered, const CardFrame &) {
                               if (!answered)
                                   QThread::msleep(kFailedWritePauseMs);
                               if (done)
                                   done(answered);
                           });
}

void PanelParameters::read(std::function<void(bool answered)> firstAttemptOver, ReadEnded ended)
{
    auto once = std::make_shared<std::function<void(bool)>>(std::move(firstAttemptOver));
    auto runOnce = [once](bool answered) {
        if (const std::function<void(bool)> next = std::exchange(*once, nullptr))
            next(answered);
    };
    CardFrame frame = CardFrame::readRequest(CardFrame::kParameterReadIndex);
    channel_.RecvCommandJY(
        CardFrame::kParameterReadIndex, frame,
        [runOnce, ended = std::move(ended)](bool answered, const CardFrame &answer) {
            ended(answered ? std::optional<ParameterBlock>(answer.data()) : std::nullopt);
            runOnce(answered);
        },
        [runOnce] { runOnce(false); });
}

void PanelParameters::readOnce(CardChannel::Sampled done)
{
    CardFrame frame = CardFrame::readRequest(CardFrame::kParameterReadIndex);
    channel_.readOnce(CardFrame::kParameterReadIndex, frame, std::move(done));
}

PanelValues PanelParameters::presetValues(int preset) const
{
    return ParameterBlock::fromText(presets_.presetText(preset)).unpack();
}

void PanelParameters::storeSelection(int preset)
{
    stored(presets_.writeCurrentConfig(preset));
}

void PanelParameters::stored(bool ok)
{
    if (storeObserver_)
        storeObserver_(ok ? std::error_code() : presets_.lastWriteError());
}
