// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeCardSession.h"

#include "ParameterBlock.h"

FakeCardSession::FakeCardSession()
{
    state_.selectOnlyPreset(1);
}

PanelStatus FakeCardSession::status() const
{
    return state_.status(isConnected(card_), card_ == CardState::Ready);
}

void FakeCardSession::setCardState(CardState card, Source source)
{
    const CardState before = card_;
    card_ = card;
    Changes what = before != card ? Changes(Card) : Changes();
    if (card == CardState::Ready && before != CardState::Ready) {
        state_.enableDeviceControls();
        state_.show(ParameterBlock::factory().unpack());
        what |= Values | Controls;
    } else if (!isConnected(card) && isConnected(before)) {
        state_.disableDeviceControls();
        what |= Controls;
    }
    emit changed(what, source);
}

void FakeCardSession::report(const PanelValues &values)
{
    state_.show(values);
    emit changed(Values, Source::CardReport);
}

void FakeCardSession::changeAndWrite(Source source, const std::string &call, Done done)
{
    calls.push_back(call);
    emit changed(Values, source);
    if (done)
        done(answering_);
}

void FakeCardSession::apply(const PanelValues &values, Done done)
{
    state_.show(values);
    changeAndWrite(Source::Command, "apply", std::move(done));
}

void FakeCardSession::loadPreset(int preset, Done done)
{
    state_.selectOnlyPreset(preset);
    changeAndWrite(Source::Preset, "preset " + std::to_string(preset), std::move(done));
}

void FakeCardSession::factoryReset(Done done)
{
    state_.show(ParameterBlock::factory().unpack());
    changeAndWrite(Source::Reset, "reset", std::move(done));
}

void FakeCardSession::type(int editId, int value)
{
    const PanelValues before = state_.values();
    if (state_.type(editId, value) && state_.values() != before)
        calls.push_back("type " + std::to_string(editId) + " " + std::to_string(value));
}

void FakeCardSession::step(int spinId, int delta)
{
    if (state_.step(spinId, delta))
        changeAndWrite(Source::User,
                       "step " + std::to_string(spinId) + (delta > 0 ? " +" : " ") +
                           std::to_string(delta),
                       {});
}

void FakeCardSession::chooseMode(int code)
{
    state_.chooseMode(code);
    changeAndWrite(Source::User, "mode " + std::to_string(code), {});
}

void FakeCardSession::setSwitch(int boxId, bool on)
{
    if (state_.setSwitch(boxId, on))
        changeAndWrite(Source::User, "switch " + std::to_string(boxId) + (on ? " on" : " off"), {});
}

void FakeCardSession::settle(std::chrono::milliseconds, std::function<void()> settled)
{
    calls.push_back("settle");
    settling = std::move(settled);
}
