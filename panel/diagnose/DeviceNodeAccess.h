// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Who may open a device node, and whether this user can: its owner, group
// and mode, the named users and groups its access control list adds (what
// the udev rule's uaccess tag makes logind grant the user at the seat), and
// the result of opening it for reading and writing as the HID library does.
class DeviceNodeAccess {
public:
    struct Inspection {
        bool exists = false;
        std::string owner;
        std::string group;
        unsigned mode = 0;            // permission bits
        int openError = 0;            // errno of opening it; 0: this user can
        std::vector<std::string> acl; // "user:alice:rw-", "group:audio:rw-"
    };

    static Inspection inspect(const std::filesystem::path &node);
    // The named entries of an access control list as the kernel keeps it in
    // the system.posix_acl_access attribute; none when it cannot be read.
    static std::vector<std::string> aclEntries(const std::vector<unsigned char> &attribute);
};
