#include "BufferFile.h"

#include "FileInUseLock.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "RecorderTexts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

void put32(std::uint8_t *at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = std::uint8_t(value >> (8 * i));
}

bool writeAll(int descriptor, const std::uint8_t *data, std::size_t length, off_t offset)
{
    while (length > 0) {
        const ssize_t n = ::pwrite(descriptor, data, length, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= std::size_t(n);
        offset += n;
    }
    return true;
}

std::uint64_t fileSize(int descriptor)
{
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 ? std::uint64_t(status.st_size) : 0;
}

} // namespace

BufferFile::BufferFile(fs::path folder, MessageBoxes &messages)
    : bufferPath_(folder / "NUVRecord.wav"), mp3Path_(folder / "NUVRecord.mp3"),
      oldBufferPath_(folder / "NUVRecordOld.wav"), messages_(messages)
{
}

BufferFile::~BufferFile() { closeStream(); }

fs::path BufferFile::defaultFolder() { return ProgramFolder::writablePath(); }

std::array<std::uint8_t, BufferFile::kHeaderSize> BufferFile::header(const WaveFormat &format,
                                                                    std::uint32_t dataBytes)
{
    std::array<std::uint8_t, kHeaderSize> out{};
    std::memcpy(&out[0], "RIFF", 4);
    put32(&out[4], dataBytes + 38);
    std::memcpy(&out[8], "WAVEfmt ", 8);
    put32(&out[16], WaveFormat::kSize);
    const auto block = format.bytes();
    std::copy(block.begin(), block.end(), out.begin() + 20);
    std::memcpy(&out[38], "data", 4);
    put32(&out[42], dataBytes);
    return out;
}

bool BufferFile::writeHeader(int descriptor) const
{
    const auto bytes = header(format_, dataBytes_);
    return writeAll(descriptor, bytes.data(), bytes.size(), 0);
}

void BufferFile::tell(const char *text) const { messages_.inform(text, RecorderTexts::kNotify); }

void BufferFile::closeStream()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
}

bool BufferFile::prepare()
{
    closeStream();
    if (FileInUseLock::isInUse(bufferPath_) ||
        (::unlink(bufferPath_.c_str()) != 0 && errno != ENOENT)) {
        tell(RecorderTexts::kRecordedFileUsed);
        return false;
    }
    dataBytes_ = 0;
    descriptor_ = ::open(bufferPath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor_ < 0 || !writeHeader(descriptor_) ||
        ::lseek(descriptor_, kHeaderSize, SEEK_SET) != off_t(kHeaderSize)) {
        closeStream();
        tell(RecorderTexts::format(RecorderTexts::kCreateFileFailed, bufferPath_.c_str()).c_str());
        return false;
    }
    FileInUseLock::markOpen(descriptor_);
    return true;
}

std::size_t BufferFile::append(const std::uint8_t *data, std::size_t length)
{
    if (descriptor_ < 0)
        return 0;
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(descriptor_, data + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    dataBytes_ += std::uint32_t(done);
    return done;
}

void BufferFile::complete()
{
    closeStream();
    const int descriptor = ::open(bufferPath_.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0)
        return;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        const std::uint64_t size = fileSize(descriptor);
        std::uint64_t held = std::min<std::uint64_t>(
            dataBytes_, size > kHeaderSize ? size - kHeaderSize : 0);
        if (format_.blockAlign > 0)
            held -= held % format_.blockAlign;
        // A torn last frame (short write) or bytes the count never saw are cut
        // off; should that fail, a file longer than its header says still plays.
        if (size > kHeaderSize + held && ::ftruncate(descriptor, off_t(kHeaderSize + held)) != 0)
            std::perror("NUVRecord: trimming the recorded file");
        dataBytes_ = std::uint32_t(held);
        writeHeader(descriptor);
    }
    ::close(descriptor);
}

BufferFile::CutSpan BufferFile::cutSpan(std::uint32_t startMs, std::uint32_t endMs,
                                        std::uint64_t takeMs, std::uint64_t dataOnDisk) const
{
    const std::uint64_t step = format_.avgBytesPerSec / 20;
    // The file's own data part: after a completed take it is the data count,
    // and it cannot be wrong about what the file holds.
    const double data = double(dataOnDisk);
    const double take = double(takeMs);
    CutSpan span;
    span.start = std::uint64_t(startMs / take * data);
    span.start -= span.start % step;
    const double keptMs = (endMs != 0 ? double(endMs) : take) - double(startMs);
    span.length = keptMs > 0 ? std::uint64_t(keptMs / take * data) : 0;
    span.length -= span.length % step;
    return span;
}

bool BufferFile::copyKeptPart(int from, int to, const CutSpan &span, std::uint64_t &copied) const
{
    const std::uint64_t size = fileSize(from);
    const std::uint64_t first = kHeaderSize + span.start;
    const std::uint64_t wanted = std::min(span.length, size > first ? size - first : 0);
    copied = 0;
    // Reserving the whole file first spares the file system growing it step
    // by step, and finds a full disk before anything is copied.
    if (wanted > 0 && ::posix_fallocate(to, 0, off_t(kHeaderSize + wanted)) == ENOSPC)
        return false;
    std::vector<std::uint8_t> step(kCopyStep);
    off_t in = off_t(first);
    off_t out = kHeaderSize;
    while (copied < wanted) {
        const ssize_t n =
            ::pread(from, step.data(), std::min<std::uint64_t>(kCopyStep, wanted - copied), in);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!writeAll(to, step.data(), std::size_t(n), out))
            return false;
        in += n;
        out += n;
        copied += std::uint64_t(n);
    }
    return copied == wanted || ::ftruncate(to, out) == 0;
}

std::optional<std::uint32_t> BufferFile::cut(std::uint32_t startMs, std::uint32_t endMs)
{
    std::error_code error;
    const std::uint64_t length = fs::file_size(bufferPath_, error);
    if (error) {
        tell(RecorderTexts::kFileUsed);
        return std::nullopt;
    }
    const std::uint32_t perSecond = format_.avgBytesPerSec;
    const std::uint64_t takeMs = perSecond >= 20 ? length / perSecond * 1000 : 0;
    if (takeMs == 0 || length < kHeaderSize) {
        tell(RecorderTexts::kTakeTooShortToCut);
        return std::nullopt;
    }
    const FileInUseLock sole = FileInUseLock::takeSole(bufferPath_);
    ::unlink(oldBufferPath_.c_str());
    if (!sole.held() || ::rename(bufferPath_.c_str(), oldBufferPath_.c_str()) != 0) {
        tell(RecorderTexts::kFileUsed);
        return std::nullopt;
    }
    const int from = ::open(oldBufferPath_.c_str(), O_RDONLY | O_CLOEXEC);
    const int to = ::open(bufferPath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::uint64_t copied = 0;
    const bool opened = from >= 0 && to >= 0;
    const CutSpan span = cutSpan(startMs, endMs, takeMs, length - kHeaderSize);
    const bool written = opened && copyKeptPart(from, to, span, copied);
    const std::uint32_t kept = std::uint32_t(copied);
    const auto finalHeader = header(format_, kept);
    const bool complete = written && writeAll(to, finalHeader.data(), finalHeader.size(), 0);
    if (from >= 0)
        ::close(from);
    if (to >= 0)
        ::close(to);
    if (!complete) {
        // The take must survive a failed cut: put the untouched file back.
        ::rename(oldBufferPath_.c_str(), bufferPath_.c_str());
        tell(opened ? RecorderTexts::kCutWriteFailed : RecorderTexts::kFileUsed);
        return std::nullopt;
    }
    ::unlink(oldBufferPath_.c_str());
    dataBytes_ = kept;
    const std::int64_t keptMs = std::int64_t(endMs != 0 ? endMs : takeMs) - startMs;
    return std::uint32_t(std::max<std::int64_t>(keptMs, 0) / 1000);
}
