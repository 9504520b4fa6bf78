// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the panel stands with the card.
enum class CardState {
    Absent,       // no card, or none open
    Opening,      // open, its block asked for
    Ready,        // open, its block read and shown
    NotAnswering, // open, but it has not answered the read yet (asked again in the background)
    AccessDenied, // plugged in, but this user may not open it
    NoLibrary,    // the HID control library could not be loaded
};

// Open, whether its block is read or not.
constexpr bool isConnected(CardState state)
{
    return state == CardState::Opening || state == CardState::Ready ||
           state == CardState::NotAnswering;
}
