// SPDX-License-Identifier: GPL-3.0-or-later
#include "BufferFile.h"

#include "BufferFileInspection.h"
#include "FileInUseLock.h"
#include "FullWrite.h"
#include "LogCategories.h"
#include "ProgramFolder.h"
#include "RecorderTexts.h"
#include "ReplacingFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::uint64_t fileSize(int descriptor)
{
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 ? std::uint64_t(status.st_size) : 0;
}

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int value;
    explicit Descriptor(int descriptor) : value(descriptor) {}
    ~Descriptor()
    {
        if (value >= 0)
            ::close(value);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
};

} // namespace

BufferFile::BufferFile(fs::path folder)
    : bufferPath_(folder / kBufferName), mp3Path_(folder / "NUVRecord.mp3"),
      oldBufferPath_(folder / kOldBufferName), undoPath_(folder / kUndoName)
{
}

BufferFile::~BufferFile()
{
    closeStream();
}

fs::path BufferFile::defaultFolder()
{
    return ProgramFolder::writablePath();
}

bool BufferFile::writeHeader(int descriptor, std::uint32_t dataBytes) const
{
    const auto bytes = WaveHeader{format_, kHeaderSize, dataBytes}.bytes();
    return FullWrite::at(descriptor, bytes.data(), bytes.size(), 0);
}

std::uint32_t BufferFile::wholeSeconds() const
{
    const std::uint32_t perSecond = format_.bytesPerSecond();
    return perSecond > 0 ? dataBytes_ / perSecond : 0;
}

TakeOutcome BufferFile::cannotRecordInto(const std::string &cause) const
{
    return {RecorderTexts::format(RecorderTexts::kCannotRecordInto, bufferPath_.c_str(),
                                  cause.c_str())};
}

void BufferFile::closeStream()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
}

std::uint32_t BufferFile::recover()
{
    dropUndo();
    return takeUpKept();
}

std::uint32_t BufferFile::takeUpKept()
{
    dataBytes_ = 0;
    // A cut copies the take back from the old file and removes that only
    // once done: while it exists, it is the whole take.
    if (fs::exists(oldBufferPath_) && !FileInUseLock::isInUse(bufferPath_))
        ::rename(oldBufferPath_.c_str(), bufferPath_.c_str());
    const Descriptor file(::open(bufferPath_.c_str(), O_RDWR | O_CLOEXEC));
    std::array<std::uint8_t, kHeaderSize> head{};
    if (file.value < 0 || ::pread(file.value, head.data(), head.size(), 0) != ssize_t(head.size()))
        return 0;
    const std::uint64_t size = fileSize(file.value);
    // Only a take of this recorder, in its format, is touched.
    const std::optional<BufferFileInspection::Repair> repair =
        BufferFileInspection::repairFor(head, size, format_);
    if (!repair)
        return 0;
    dataBytes_ = repair->countedData;
    if (!repair->needed)
        return dataBytes_;
    if (::flock(file.value, LOCK_EX | LOCK_NB) != 0)
        return dataBytes_; // someone plays it: its header is for another time
    if (size > repair->keptSize && ::ftruncate(file.value, off_t(repair->keptSize)) != 0)
        qCWarning(lcRecorder) << "cannot trim" << bufferPath_.c_str() << ":"
                              << RecorderTexts::causeOf(errno).c_str();
    writeHeader(file.value, dataBytes_);
    return dataBytes_;
}

TakeOutcome BufferFile::prepare()
{
    const TakeOutcome aside = prepareAside();
    return aside.done() ? putInPlace() : aside;
}

TakeOutcome BufferFile::prepareAside()
{
    closeStream();
    prepared_.reset();
    if (FileInUseLock::isInUse(bufferPath_))
        return {RecorderTexts::kRecordedFileUsed};
    // The new take is made beside the last one and takes its place only once
    // it has its header: a disk that cannot hold even that keeps the last take.
    auto fresh = std::make_unique<ReplacingFile>(bufferPath_);
    const bool made = fresh->create();
    const bool written = made && writeHeader(fresh->descriptor(), 0);
    const int writeError = errno;
    if (!written)
        return cannotRecordInto(made ? RecorderTexts::causeOf(writeError) : fresh->errorText());
    prepared_ = std::move(fresh);
    return {};
}

TakeOutcome BufferFile::putInPlace()
{
    const std::unique_ptr<ReplacingFile> fresh = std::move(prepared_);
    if (!fresh || !fresh->commit(false))
        return cannotRecordInto(fresh ? fresh->errorText() : RecorderTexts::causeOf(EBADF));
    dropUndo();
    dataBytes_ = 0;
    headerCounts_ = 0;
    descriptor_ = fresh->release();
    ::lseek(descriptor_, kHeaderSize, SEEK_SET);
    FileInUseLock::markOpen(descriptor_);
    return {};
}

void BufferFile::dropPrepared()
{
    prepared_.reset();
}

std::size_t BufferFile::append(const std::uint8_t *data, std::size_t length)
{
    if (descriptor_ < 0) {
        errno = EBADF;
        return 0;
    }
    const std::size_t done = FullWrite::asMuchAs(descriptor_, data, length);
    const int writeError = errno;
    dataBytes_ += std::uint32_t(done);
    // Once a second of audio more: two numbers rewritten in place, no flush.
    if (format_.bytesPerSecond() > 0 && dataBytes_ - headerCounts_ >= format_.bytesPerSecond()) {
        headerCounts_ = wholeFrames(dataBytes_);
        writeHeader(descriptor_, headerCounts_);
    }
    errno = writeError;
    return done;
}

void BufferFile::complete()
{
    closeStream();
    const Descriptor file(::open(bufferPath_.c_str(), O_RDWR | O_CLOEXEC));
    if (file.value < 0 || ::flock(file.value, LOCK_EX | LOCK_NB) != 0)
        return;
    const std::uint64_t size = fileSize(file.value);
    const std::uint32_t held = wholeFrames(
        std::min<std::uint64_t>(dataBytes_, size > kHeaderSize ? size - kHeaderSize : 0));
    // A torn last frame (short write) or bytes the count never saw are cut
    // off; should that fail, a file longer than its header says still plays.
    if (size > kHeaderSize + held && ::ftruncate(file.value, off_t(kHeaderSize + held)) != 0)
        qCWarning(lcRecorder) << "cannot trim" << bufferPath_.c_str() << ":"
                              << RecorderTexts::causeOf(errno).c_str();
    dataBytes_ = held;
    writeHeader(file.value, held);
}

BufferFile::CutSpan BufferFile::cutSpan(std::uint32_t startMs, std::uint32_t endMs,
                                        std::uint64_t data) const
{
    const std::uint64_t perSecond = format_.bytesPerSecond();
    const std::uint64_t step = std::max<std::uint64_t>(perSecond / 20, 1);
    CutSpan span;
    span.start = std::uint64_t(startMs) * perSecond / 1000;
    span.start = std::min(span.start - span.start % step, data);
    const std::uint64_t there = data - span.start;
    span.length =
        endMs == 0 ? there : std::uint64_t(std::max(endMs, startMs) - startMs) * perSecond / 1000;
    span.length -= span.length % step;
    span.length = std::min<std::uint64_t>(span.length, wholeFrames(there));
    return span;
}

bool BufferFile::copyKeptPart(int from, int to, const CutSpan &span, std::uint64_t &copied) const
{
    copied = 0;
    // Reserving the whole file first spares the file system growing it step
    // by step, and finds a full disk before anything is copied.
    if (span.length > 0) {
        const int reserved = ::posix_fallocate(to, 0, off_t(kHeaderSize + span.length));
        if (reserved == ENOSPC || reserved == EFBIG) {
            errno = reserved;
            return false;
        }
    }
    off_t in = off_t(kHeaderSize + span.start);
    off_t out = kHeaderSize;
    // Copied by the kernel, which shares the blocks where the file system can
    // and spares the copy through this process everywhere else. A file
    // system that cannot (or an old kernel) leaves it to the loop below.
    while (copied < span.length) {
        const ssize_t n = ::copy_file_range(from, &in, to, &out, span.length - copied, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
                      errno == EBADF))
            break;
        if (n < 0)
            return false;
        if (n == 0)
            return ::ftruncate(to, out) == 0; // the take ended early
        copied += std::uint64_t(n);
    }
    std::vector<std::uint8_t> step(copied < span.length ? kCopyStep : 0);
    while (copied < span.length) {
        const ssize_t n = ::pread(from, step.data(),
                                  std::min<std::uint64_t>(kCopyStep, span.length - copied), in);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!FullWrite::at(to, step.data(), std::size_t(n), out))
            return false;
        in += n;
        out += n;
        copied += std::uint64_t(n);
    }
    return copied == span.length || ::ftruncate(to, out) == 0;
}

CutOutcome BufferFile::cutFile(std::uint32_t startMs, std::uint32_t endMs) const
{
    const auto refused = [](std::string problem) { return CutOutcome{{std::move(problem)}}; };
    const auto cannot = [this, &refused](int error) {
        return refused(RecorderTexts::format(RecorderTexts::kCannotCut, bufferPath_.c_str(),
                                             RecorderTexts::causeOf(error).c_str()));
    };
    if (FileInUseLock::isInUse(bufferPath_))
        return refused(RecorderTexts::kFileUsed);
    const FileInUseLock sole = FileInUseLock::takeSole(bufferPath_);
    if (!sole.held())
        return errno == EWOULDBLOCK ? refused(RecorderTexts::kFileUsed) : cannot(errno);
    ::unlink(oldBufferPath_.c_str());
    if (::rename(bufferPath_.c_str(), oldBufferPath_.c_str()) != 0)
        return cannot(errno);
    // From here on the take lives in the old file until the copy is complete.
    const Descriptor from(::open(oldBufferPath_.c_str(), O_RDONLY | O_CLOEXEC));
    const Descriptor to(
        from.value < 0 ? -1
                       : ::open(bufferPath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const int openError = errno;
    std::uint64_t copied = 0;
    bool complete = false;
    int copyError = 0;
    if (from.value >= 0 && to.value >= 0) {
        const std::uint64_t size = fileSize(from.value);
        const CutSpan span = cutSpan(startMs, endMs, size > kHeaderSize ? size - kHeaderSize : 0);
        // The kept part reaches the disk before the old file goes: a power
        // cut must not leave a take that is cut short with nothing to put back.
        complete = copyKeptPart(from.value, to.value, span, copied) &&
                   writeHeader(to.value, std::uint32_t(copied)) && ::fdatasync(to.value) == 0;
        copyError = errno;
    }
    if (!complete) {
        // The take must survive a failed cut: put the untouched file back.
        ::rename(oldBufferPath_.c_str(), bufferPath_.c_str());
        qCWarning(lcRecorder) << "the cut failed:"
                              << RecorderTexts::causeOf(from.value < 0 || to.value < 0 ? openError
                                                                                       : copyError)
                                     .c_str();
        if (from.value < 0 || to.value < 0)
            return cannot(openError);
        return refused(RecorderTexts::format(RecorderTexts::kCutWriteFailed, bufferPath_.c_str(),
                                             RecorderTexts::causeOf(copyError).c_str()));
    }
    CutOutcome done;
    done.keptBytes = std::uint32_t(copied);
    done.undoKept = keepUndo();
    return done;
}

bool BufferFile::keepUndo() const
{
    if (::rename(oldBufferPath_.c_str(), undoPath_.c_str()) == 0)
        return true;
    qCWarning(lcRecorder) << "the take before the cut cannot be kept to undo it:"
                          << RecorderTexts::causeOf(errno).c_str();
    ::unlink(oldBufferPath_.c_str());
    return false;
}

bool BufferFile::hasUndo() const
{
    std::error_code error;
    return fs::exists(undoPath_, error);
}

void BufferFile::dropUndo()
{
    ::unlink(undoPath_.c_str());
}

TakeOutcome BufferFile::undoCut()
{
    if (FileInUseLock::isInUse(bufferPath_))
        return {RecorderTexts::kFileUsed};
    if (::rename(undoPath_.c_str(), bufferPath_.c_str()) != 0) {
        const int error = errno;
        qCWarning(lcRecorder) << "cannot undo the cut:" << RecorderTexts::causeOf(error).c_str();
        return {RecorderTexts::format(RecorderTexts::kCannotUndoCut, bufferPath_.c_str(),
                                      RecorderTexts::causeOf(error).c_str())};
    }
    // The take as the cut found it: its header counted it then.
    const Descriptor file(::open(bufferPath_.c_str(), O_RDONLY | O_CLOEXEC));
    dataBytes_ = wholeFrames(file.value >= 0 && fileSize(file.value) > kHeaderSize
                                 ? fileSize(file.value) - kHeaderSize
                                 : 0);
    return {};
}

void BufferFile::applyCut(const CutOutcome &outcome)
{
    if (outcome.done())
        dataBytes_ = outcome.keptBytes;
}

CutOutcome BufferFile::cut(std::uint32_t startMs, std::uint32_t endMs)
{
    const CutOutcome outcome = cutFile(startMs, endMs);
    applyCut(outcome);
    return outcome;
}
