// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

// "In use" marks on a file, as advisory locks (flock): whoever has the file
// open for playing or recording holds a shared mark, and whoever wants to
// delete or replace the file asks first whether anyone holds one. Marks held
// through other open files of the same process count too.
class FileInUseLock {
public:
    FileInUseLock() = default;
    ~FileInUseLock();
    FileInUseLock(FileInUseLock &&other) noexcept;
    FileInUseLock &operator=(FileInUseLock &&other) noexcept;
    FileInUseLock(const FileInUseLock &) = delete;
    FileInUseLock &operator=(const FileInUseLock &) = delete;

    // Marks the file as in use for as long as the result lives; an empty
    // result when the file cannot be opened.
    static FileInUseLock hold(const std::filesystem::path &file);
    // Takes the file for sole use: empty when someone holds a mark or the
    // file cannot be opened.
    static FileInUseLock takeSole(const std::filesystem::path &file);
    // Marks an already open descriptor (not owned) as in use.
    static bool markOpen(int descriptor);
    // True when someone holds a mark on the file; false also when it does not exist.
    static bool isInUse(const std::filesystem::path &file);

    bool held() const { return descriptor_ >= 0; }
    void release();

private:
    static FileInUseLock lock(const std::filesystem::path &file, int operation);

    int descriptor_ = -1;
};
