// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardSession.h"

#include <string>
#include <vector>

// A session with no card behind it, for tests of what observes one: its
// state is set by hand, every call is recorded, and each call changes what
// it shows as the real session would, without any write. Writes are
// answered at once unless told otherwise.
class FakeCardSession : public CardSession {
    Q_OBJECT
public:
    FakeCardSession();

    void setStoreObserver(StoreObserver observer) override { storeObserver_ = std::move(observer); }
    CardState cardState() const override { return card_; }
    PanelStatus status() const override;
    void apply(const PanelValues &values, Done done) override;
    void loadPreset(int preset, Done done) override;
    void factoryReset(Done done) override;

    const PanelState &shown() const override { return state_; }
    void type(int editId, int value) override;
    void step(int spinId, int delta) override;
    void chooseMode(int code) override;
    void setSwitch(int boxId, bool on) override;
    // Recorded; the settling is told when the test calls settling.
    void settle(std::chrono::milliseconds deadline, std::function<void()> settled) override;
    void readAgain() override { calls.push_back("read again"); }
    void end() override { ending_ = true; }
    bool isEnding() const override { return ending_; }
    bool hasLookedForCard() const override { return looked_; }

    // Script: where the panel stands with the card; the state report of a card.
    void setCardState(CardState card, Source source = Source::Connection);
    void report(const PanelValues &values);
    // Whether writes are answered.
    void setAnswering(bool answering) { answering_ = answering; }
    // A session that has not yet tried to open the card.
    void setLookedForCard(bool looked) { looked_ = looked; }

    // Every call, in order, e.g. "step 1086 +1", "preset 2", "mode 3".
    std::vector<std::string> calls;
    // What the last settle() is to be told.
    std::function<void()> settling;

private:
    void changeAndWrite(Source source, const std::string &call, Done done);

    PanelState state_;
    CardState card_ = CardState::Absent;
    StoreObserver storeObserver_;
    bool ending_ = false;
    bool answering_ = true;
    bool looked_ = true;
};
