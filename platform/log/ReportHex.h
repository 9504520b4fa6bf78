// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>

// A report as the HID trace and the diagnosis show it: its length, then every
// byte in hex, the report id byte included, e.g. "3 bytes: 00 01 0f".
class ReportHex {
public:
    static QString text(const void *data, std::size_t length);
    // The bytes alone: "00 01 0f".
    static QString bytes(const void *data, std::size_t length);
};
