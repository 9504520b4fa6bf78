// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

// A private folder for targets whose input is a file, on tmpfs where there is
// one (files there cost no disk writes). Made on first use, removed when the
// process ends (by the next one, when it ends without cleaning up).
class ScratchFolder {
public:
    static const std::filesystem::path &path();
    // Empties the folder, so every input starts from the same state.
    static void clear();

    static bool write(const std::filesystem::path &file, std::string_view bytes);
    // The whole file; empty when it cannot be read.
    static std::vector<std::uint8_t> read(const std::filesystem::path &file);
};
