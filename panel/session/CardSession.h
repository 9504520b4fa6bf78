// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardState.h"
#include "PanelCommandTarget.h"
#include "PanelState.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

// The card as everything else sees it: where the panel stands with it, the
// settings the panel shows, and the ways to change them. The window, the
// tray, the command line and whoever watches observe it through changed()
// and act through its calls; only the session talks to the card.
//
// Thread and order: it lives on the UI thread, and every call and signal
// happens there. A call that writes to the card may wait for the answer in a
// nested event loop; clicks, commands and the card's reports go on being
// handled meanwhile, and a write asked for then is queued behind it.
// changed() comes once per change, after shown() and cardState() tell it and
// before the change's write goes out.
class CardSession : public QObject, public PanelCommandTarget {
    Q_OBJECT
public:
    // Where a change came from.
    enum class Source {
        User,       // a click in the window
        CardReport, // the card's own report (its buttons)
        Command,    // the command line, or another program
        Preset,     // a preset loaded
        Reset,      // the factory settings
        Connection, // the card plugged in, read, removed or refused
    };
    Q_ENUM(Source)
    // What a change touched.
    enum Change {
        Values = 0x1,   // settings or mode
        Preset = 0x2,   // the selected preset
        Card = 0x4,     // cardState()
        Controls = 0x8, // which controls take input
    };
    Q_DECLARE_FLAGS(Changes, Change)
    Q_FLAG(Changes)

    using QObject::QObject;

    // How outside programs name a source: "panel", "card", "command",
    // "preset", "reset", "connection".
    static const char *sourceName(Source source);

    virtual const PanelState &shown() const = 0;

    // The window's clicks, each one change from Source::User. Loading a preset
    // and the factory reset are PanelCommandTarget's calls, whoever asks.
    //
    // A number typed into an edit box: shown, sent with the next change.
    virtual void type(int editId, int value) = 0;
    // One click on a spin (delta 1 or -1), or a key that moves its value
    // further; steps arriving while an earlier step still waits for the card
    // are dropped, as a held arrow or key repeats faster than the card.
    virtual void step(int spinId, int delta) = 0;
    virtual void chooseMode(int code) = 0;
    // A mute box or "Sound Mix" clicked to on.
    virtual void setSwitch(int boxId, bool on) = 0;

    // The system is about to sleep: settled runs once no write is on its way
    // to the card, at the latest after deadline, when writes still waiting
    // their turn are dropped (the preset file keeps what they carried).
    virtual void settle(std::chrono::milliseconds deadline, std::function<void()> settled) = 0;
    // The card may have lost or changed its state (the system resumed): its
    // block is read again and shown, as at a plug-in, and nothing is written.
    virtual void readAgain() = 0;

    // False until the card was first looked for: the card state before that
    // says only that nobody has looked yet.
    virtual bool hasLookedForCard() const = 0;

    // The program is ending: no write starts from now on, and what waits is dropped.
    virtual void end() = 0;
    virtual bool isEnding() const = 0;

signals:
    void changed(CardSession::Changes what, CardSession::Source source);
    // The card is plugged in but this user may not open it; once per plug-in.
    void accessDenied();
    // The settings folder stopped keeping what is stored in it: once, until a
    // write works again.
    void settingsNotSaved(const QString &folder);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CardSession::Changes)
