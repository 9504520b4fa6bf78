// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// A new version of a file, written under a temporary name in the file's own
// folder and renamed over it only once complete, so that a write that fails
// halfway (a full disk, a crash) leaves the old file as it was. An existing
// file keeps its permission bits; a link is followed, so the file it points
// at is the one replaced. Whatever was never put in place is removed.
class ReplacingFile {
public:
    // The whole file replaced with these bytes, flushed to disk; the error
    // code says why not.
    static std::error_code write(const std::filesystem::path &target, std::string_view data);

    explicit ReplacingFile(std::filesystem::path target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    // Makes the temporary file, open for reading and writing. False when the
    // target is not a regular file or the folder takes no new file;
    // errorText() says why.
    bool create();
    int descriptor() const { return descriptor_; }
    // Puts the written file in place of the target. flushToDisk: its data
    // reaches the disk first, so that not even a power cut leaves a target
    // that is cut short. The descriptor stays open, now on the target.
    bool commit(bool flushToDisk = true);
    // Hands over the descriptor (after commit); the caller closes it.
    int release();

    // The last failure, and the same in words.
    std::error_code error() const;
    std::string errorText() const;

private:
    void discard();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    int error_ = 0;
    bool committed_ = false;
};
