// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RepeatingTrace.h"

#include <cstddef>
#include <string>

// The orlenta.hid trace of one open node at hidapi's boundary: every report
// handed to hid_write and every one hid_read returned, in hex with its length
// and the report id byte, so a user's trace shows exactly what the card was
// sent and said. Reports that only repeat a cycle (a card that never answers,
// asked again and again) are counted instead (RepeatingTrace). An input report
// of a shape the card does not send is noted once per open, as a warning: it
// is read all the same (HidrawReport), but a card that sends it is not quite
// the one expected.
//
// Not thread-safe: its handle calls it with its lock held.
class HidapiTrace {
public:
    explicit HidapiTrace(std::string path);

    // result as hid_write returned it; error: hid_error's text when it failed.
    void written(const unsigned char *data, std::size_t length, int result, const wchar_t *error);
    // result as hid_read_timeout returned it: bytes in data, 0 (none within
    // the timeout, never traced) or -1 with error.
    void read(const unsigned char *data, int result, const wchar_t *error);

private:
    void noteShape(const unsigned char *data, int length);

    std::string path_;
    RepeatingTrace reports_;
    bool oddLengthNoted_ = false;
    bool reportIdNoted_ = false;
};
