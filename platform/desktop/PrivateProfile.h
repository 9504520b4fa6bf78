// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// INI files read and written key by key, the way settings files of this kind
// have always behaved: a missing file or key reads as empty, a value is seen
// up to 127 characters, and writing a key creates the file and section when
// they are missing and keeps everything else in the file.
class PrivateProfile {
public:
    static constexpr std::size_t kMaxValueLength = 127;
    // Files larger than this are not settings files; they read as empty and
    // are never rewritten, so nothing the user keeps there is destroyed.
    static constexpr std::uintmax_t kMaxFileSize = 1024 * 1024;

    static std::string read(const std::filesystem::path &file, const std::string &section,
                            const std::string &key);
    // Replaces the file as a whole (new file flushed to disk, then rename), so
    // a full disk or a crash leaves the old content in place. A symbolic link
    // is kept and its target replaced; the file keeps its mode. False when it
    // could not write.
    static bool write(const std::filesystem::path &file, const std::string &section,
                      const std::string &key, const std::string &value);
    // As write, told why it could not: no error when it wrote.
    static std::error_code store(const std::filesystem::path &file, const std::string &section,
                                 const std::string &key, const std::string &value);
};
