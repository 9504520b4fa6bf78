// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardLink.h"
#include "HidrawSysfs.h"
#include "ProbeResult.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

// The card section: every HID interface with the card's ids as the kernel
// (sysfs) and the HID library list them, each node's owner, mode, access
// list and whether this user can open it, where the udev rule is installed,
// the open's result and one state read; and what is wrong with any of it.
// The system is reached through seams tests replace: the sysfs and /dev
// roots, the udev rule folders and the link to the card.
class CardProbe {
public:
    static constexpr const char *kUdevRuleName = "70-orlenta.rules";

    struct Setup {
        std::filesystem::path sysRoot = "/sys";
        std::filesystem::path devRoot = "/dev";
        // Searched in udev's order; the first holding the rule is named.
        std::vector<std::filesystem::path> udevRuleFolders = systemUdevRuleFolders();
        std::shared_ptr<CardLink> link;
    };

    static std::vector<std::filesystem::path> systemUdevRuleFolders();
    // Whether the card section saw the card plugged in (opened or not).
    static bool cardPresent(const QJsonObject &section);

    explicit CardProbe(Setup setup) : setup_(std::move(setup)) {}
    ProbeResult run() const;

private:
    std::optional<std::filesystem::path> installedRule() const;
    QJsonArray interfaces(const CardLink::Result &link,
                          const std::vector<HidrawSysfs::Node> &nodes) const;
    QJsonObject nodeFields(const HidrawSysfs::Node &node) const;

    Setup setup_;
};
