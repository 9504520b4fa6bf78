// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// What the diagnosis asks of the card itself: how the HID library sees its
// interfaces, whether it opens, and one state read. Without a panel the
// program folder's library answers in this process (LibraryCardLink); a
// running panel, which has the card open, answers in its stead.
class CardLink {
public:
    struct Interface {
        QString path;
        int number = -1;
        unsigned usagePage = 0;
        unsigned usage = 0;
    };

    enum class Open {
        NoLibrary, // the HID library could not be loaded
        NotFound,
        Denied, // present, but this user may not open it
        Failed, // present, and opening it failed otherwise
        Opened,
    };

    // The read request for the card's block and what came back.
    struct StateRead {
        QByteArray sent;                    // the output report
        std::optional<QByteArray> received; // the answer; none within the wait
        double roundTripMs = 0;
        bool checksumRight = false;
        std::vector<QByteArray> others; // other reports meanwhile
    };

    struct Result {
        QString libraryPath;
        QString libraryError;
        // As the library lists them, in the order it tries them; none when
        // the library does not tell (the simulated device does not).
        std::optional<std::vector<Interface>> interfaces;
        Open open = Open::NoLibrary;
        int openError = 0; // errno of the failed open, when the library told it
        std::optional<StateRead> stateRead;
    };

    virtual ~CardLink() = default;
    virtual Result inspect() = 0;
};
