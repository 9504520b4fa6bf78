// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Microcontroller.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// The sound card as a program sees it through Linux hidraw, for the stand-in
// hidapi: one node for the card's control interface, output reports whose
// first byte is the report id (id 0 is not sent, the card numbers no
// reports), input reports without an id byte, answers from the card's
// microcontroller. Removing the card leaves every open file dead: reads fail
// with EIO and writes with ENODEV, as hidraw's do. Operations that fail
// return -1 or nullptr with the errno hidraw would give in `error`.
//
// It also plays cards that are not quite this one: one whose reports have
// another length, one that numbers its reports (its input reports carry the
// id in front, and it refuses output reports without it, as a device stalls
// a report it does not know: EPIPE), and one with a second interface that
// opens and takes reports but never sends any.
//
// One card per process; the test steers it through the same object the
// stand-in hidapi uses.
class HidrawCard {
public:
    using Bytes = std::vector<std::uint8_t>;

    // An open file of the card's node. Reports queue in it until read.
    struct File {
        std::deque<Bytes> reports;
        bool removed = false;
        bool silent = false; // a file of the second interface
    };

    // A node as hidapi lists it.
    struct Node {
        const char *path;
        unsigned short usagePage;
        int interfaceNumber;
    };

    static constexpr const char *kPath = "/dev/hidraw0";
    static constexpr const char *kSilentPath = "/dev/hidraw1";
    static constexpr unsigned short kVendorId = 0x0C45;
    static constexpr unsigned short kProductId = 0x1F7D;
    static constexpr unsigned short kUsagePage = 0xFF00;
    static constexpr int kInterfaceNumber = 3;
    // Report bytes on the wire, without a report id, both directions.
    static constexpr std::size_t kReportLength = 15;

    static HidrawCard &instance();

    // Test side.
    // Plugged, opens allowed, writes not held, factory block, normal answers
    // of the card's own shape, one interface, no received reports, hidapi's
    // start and end counts at 0.
    void reset();
    void plug();
    void unplug();
    // Opens fail with this errno (e.g. EACCES for a node the user may not
    // open); 0 lets them succeed again.
    void refuseOpens(int error);
    // Held writes wait inside the write until released or the card is removed.
    void holdWrites(bool hold);
    // Sends an input report as the card does: bytes without a report id.
    void sendInputReport(const Bytes &bytes);
    void sendStateReport(const Microcontroller::Block &block);
    Microcontroller::Block block() const;
    void setBlock(const Microcontroller::Block &block);
    void setAnswerMode(int mode);
    // The length of the input reports the card sends of itself (answers and
    // state reports), without an id: cut or zero-filled to it.
    void setInputReportLength(std::size_t length);
    // Nonzero: the card numbers its reports with this id.
    void setReportId(std::uint8_t id);
    // Adds the silent second interface, listed before the control interface
    // or after it.
    void addSilentInterface(unsigned short usagePage, bool listedFirst);
    // The output reports that reached the card, as they went over the wire.
    std::vector<Bytes> receivedReports() const;
    // What was handed to hid_write for the control interface, byte for byte,
    // whether the card took it or not.
    std::vector<Bytes> handedToWrite() const;
    // Reports written to the silent interface.
    int silentWrites() const;
    int openFiles() const;
    int readsWaiting() const;
    int writesWaiting() const;
    int initCount() const;
    int exitCount() const;
    // Blocks until a thread waits in a read or a write; false after 10 s.
    bool awaitReader() const;
    bool awaitWriter() const;

    // hidapi side.
    bool present() const;
    // The card's nodes in the order hidapi lists them; none when unplugged.
    std::vector<Node> nodes() const;
    File *open(const char *path, int &error);
    void close(File *file);
    // Bytes read, 0 after the timeout (negative: none), -1 on failure.
    int read(File &file, unsigned char *data, std::size_t length, int timeoutMs, int &error);
    // Bytes taken (with the id byte), -1 on failure.
    int write(File &file, const unsigned char *data, std::size_t length, int &error);
    void noteInit();
    void noteExit();

private:
    void deliverLocked(const Bytes &bytes);
    // A report the card sends of itself, in the card's shape.
    void sendLocked(const Microcontroller::Report &report);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool present_ = true;
    int openError_ = 0;
    bool holdWrites_ = false;
    Microcontroller microcontroller_;
    std::size_t inputLength_ = kReportLength;
    std::uint8_t reportId_ = 0;
    bool silentInterface_ = false;
    bool silentListedFirst_ = false;
    unsigned short silentUsagePage_ = 0;
    std::vector<File *> files_;
    std::vector<Bytes> received_;
    std::vector<Bytes> handed_;
    int silentWrites_ = 0;
    int readsWaiting_ = 0;
    int writesWaiting_ = 0;
    int initCount_ = 0;
    int exitCount_ = 0;
};
