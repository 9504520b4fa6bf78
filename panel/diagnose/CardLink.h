// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardFrame.h"
#include "InputReport.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>
#include <vector>

class HidControlLibrary;

// What the diagnosis asks of the card itself: how the HID library sees its
// interfaces, whether it opens, and one state read. Without a panel the
// program folder's library answers in this process (LibraryCardLink); a
// running panel, which has the card open, answers in its stead
// (SessionCardInspection there, PanelCardLink here).
class CardLink {
public:
    struct Interface {
        QString path;
        int number = -1;
        unsigned usagePage = 0;
        unsigned usage = 0;
        bool operator==(const Interface &) const = default;
    };

    enum class Open {
        NoLibrary, // the HID library could not be loaded
        NotFound,
        Denied, // present, but this user may not open it
        Failed, // present, and opening it failed otherwise
        Opened,
        PanelDidNotAnswer, // the running panel, asked in its stead, did not answer
    };

    // The read request for the card's block and what came back.
    struct StateRead {
        QByteArray sent;                    // the output report
        std::optional<QByteArray> received; // the answer; none within the wait
        double roundTripMs = 0;
        bool checksumRight = false;
        std::vector<QByteArray> others; // other reports meanwhile

        // The request sent, what came back after roundTrip (none: nothing in
        // the wait) and the reports of other kinds that came meanwhile.
        static StateRead of(const CardFrame::Report &sent,
                            const std::optional<InputReport> &received,
                            std::chrono::nanoseconds roundTrip,
                            const std::vector<InputReport> &others = {});
        bool operator==(const StateRead &) const = default;
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
        // Asked of the running panel, not of a library loaded by this command.
        bool throughRunningPanel = false;

        // One JSON object, as the running panel sends it over its socket.
        QByteArray encode() const;
        // None when the bytes are not such an object.
        static std::optional<Result> decode(const QByteArray &bytes);
        bool operator==(const Result &) const = default;
    };

    virtual ~CardLink() = default;
    virtual Result inspect() = 0;

    // What a loaded library lists (its optional SNX_ListInterfaces).
    static std::optional<std::vector<Interface>> interfacesOf(const HidControlLibrary &library);
    // How an open that failed with this errno is told; 0 or ENOENT: not found.
    static Open openResultFor(int error);
    // As the card section and the running panel's answer name it: "opened",
    // "denied", "not found" ...
    static QString openText(Open open);
};
