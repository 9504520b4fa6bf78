// SPDX-License-Identifier: GPL-3.0-or-later
#include "TakeSaver.h"

#include "BufferFile.h"
#include "CAudioPlayRec.h"
#include "FullWrite.h"
#include "MessageBoxes.h"
#include "Mp3EncoderLibrary.h"
#include "RecorderTexts.h"
#include "ReplacingFile.h"
#include "SaveFileDialog.h"
#include "SaveProgress.h"
#include "WaveHeader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr const char *kFailed = "Failed to save!";
constexpr const char *kNotify = "NOTIFY";

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::uint64_t lengthOf(std::FILE *file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long length = std::ftell(file);
    std::rewind(file);
    return length > 0 ? std::uint64_t(length) : 0;
}

bool sameFile(const fs::path &a, const fs::path &b)
{
    std::error_code error;
    return fs::equivalent(a, b, error);
}
} // namespace

TakeSaver::TakeSaver(fs::path source, const PcmFormat &format, SaveFileDialog &dialog,
                     MessageBoxes &messages, SaveProgress &progress)
    : source_(std::move(source)), format_(format), dialog_(dialog), messages_(messages),
      progress_(progress), encoderLibrary_(Mp3EncoderLibrary::kDefaultFile)
{
}

bool TakeSaver::run()
{
    const std::optional<SaveFileDialog::Choice> choice =
        dialog_.askSavePath("save", {"mp3(*.mp3)", "wav(*.wav)"});
    if (!choice)
        return false;
    const SaveDecision decision = SaveDecision::decide(choice->path, choice->filterIndex);
    if (decision.type() == SaveDecision::Type::Nothing)
        return false;
    // Writing onto the take itself would truncate it before it is read.
    if (sameFile(decision.path(), source_))
        return fail();
    if (!mayReplace(choice->path, decision.path()))
        return false;
    if (decision.type() == SaveDecision::Type::Mp3)
        return saveMp3(decision.path());
    return saveWav(decision.path());
}

bool TakeSaver::mayReplace(const std::string &typed, const std::string &written)
{
    // The save dialog asked about the name typed; the name written may have
    // the filter's extension added, and that file is asked about here.
    std::error_code error;
    if (written == typed || !fs::exists(fs::symlink_status(written, error)))
        return true;
    return messages_.ask(RecorderTexts::format(RecorderTexts::kReplaceQuestion, written.c_str()),
                         kNotify);
}

bool TakeSaver::fail(const std::string &cause)
{
    if (stopped())
        return false;
    if (!cause.empty())
        messages_.inform(cause, kNotify);
    messages_.inform(kFailed, kNotify);
    return false;
}

bool TakeSaver::saveMp3(const std::string &path)
{
    const std::size_t blockBytes = format_.bytesPerSecond() / 20;
    CAudioPlayRec writer(messages_, encoderLibrary_);
    writer.SetFormat(1, format_.sampleRate, format_.bitsPerSample);
    if (!writer.OpenOutput(0, path))
        return fail();
    File source(std::fopen(source_.c_str(), "rb"));
    if (!source)
        return fail(RecorderTexts::format(RecorderTexts::kCannotReadTake, source_.c_str(),
                                          RecorderTexts::causeOf(errno).c_str()));
    const std::uint64_t length = lengthOf(source.get());
    const std::uint64_t data =
        length > BufferFile::kHeaderSize ? length - BufferFile::kHeaderSize : 0;
    std::fseek(source.get(), long(std::min<std::uint64_t>(length, BufferFile::kHeaderSize)),
               SEEK_SET);
    progress_.setRange(data);
    std::vector<std::uint8_t> block(blockBytes);
    std::uint64_t total = 0;
    for (;;) {
        if (stopped())
            return false; // the writer goes, and the file it began with it
        const std::size_t read = std::fread(block.data(), 1, block.size(), source.get());
        if (read == 0)
            break;
        total += read;
        progress_.setDone(total);
        const std::uint32_t lengths[CAudioPlayRec::kSlots] = {std::uint32_t(read),
                                                              std::uint32_t(read)};
        const std::uint8_t *const blocks[CAudioPlayRec::kSlots] = {block.data(), block.data()};
        writer.FeedOutput(lengths, blocks);
    }
    if (std::ferror(source.get()))
        return fail(RecorderTexts::format(RecorderTexts::kCannotReadTake, source_.c_str(),
                                          RecorderTexts::causeOf(EIO).c_str()));
    if (!writer.ReleaseOutput())
        return fail();
    return true;
}

bool TakeSaver::saveWav(const std::string &path)
{
    File source(std::fopen(source_.c_str(), "rb"));
    if (!source)
        return fail(RecorderTexts::format(RecorderTexts::kCannotReadTake, source_.c_str(),
                                          RecorderTexts::causeOf(errno).c_str()));
    // The header says what is really there: a take cut short behind the
    // recorder's back is saved as the audio it still holds.
    const std::uint64_t length = lengthOf(source.get());
    const std::uint32_t data = WaveHeader::wholeFrames(
        format_, length > BufferFile::kHeaderSize ? length - BufferFile::kHeaderSize : 0);
    ReplacingFile target(path);
    if (!target.create())
        return fail(RecorderTexts::format(RecorderTexts::kCannotSave, path.c_str(),
                                          target.errorText().c_str()));
    int error = 0;
    if (!copyWav(source.get(), data, target.descriptor(), error))
        return error == 0 ? false
                          : fail(RecorderTexts::format(RecorderTexts::kCannotSave, path.c_str(),
                                                       RecorderTexts::causeOf(error).c_str()));
    if (!target.commit())
        return fail(RecorderTexts::format(RecorderTexts::kCannotSave, path.c_str(),
                                          target.errorText().c_str()));
    return true;
}

bool TakeSaver::copyWav(std::FILE *source, std::uint32_t dataBytes, int target, int &error)
{
    const auto header = WaveHeader{format_, WaveHeader::kSize, dataBytes}.bytes();
    const std::uint64_t total = header.size() + std::uint64_t(dataBytes);
    progress_.setRange(total);
    if (std::fseek(source, long(BufferFile::kHeaderSize), SEEK_SET) != 0 && dataBytes > 0) {
        error = errno;
        return false;
    }
    // Large steps: a long take is a few hundred writes and progress updates.
    std::vector<std::uint8_t> block(BufferFile::kCopyStep);
    std::uint64_t done = 0;
    while (done < total) {
        if (stopped())
            return false;
        const std::size_t fromHeader =
            done < header.size() ? std::min<std::size_t>(header.size() - done, block.size()) : 0;
        if (fromHeader > 0)
            std::memcpy(block.data(), header.data() + done, fromHeader);
        const std::size_t wanted =
            std::size_t(std::min<std::uint64_t>(block.size(), total - done)) - fromHeader;
        if (std::fread(block.data() + fromHeader, 1, wanted, source) != wanted) {
            error = std::ferror(source) ? EIO : ENODATA; // the take shrank while saved
            return false;
        }
        if (!FullWrite::to(target, block.data(), fromHeader + wanted)) {
            error = errno;
            return false;
        }
        done += fromHeader + wanted;
        progress_.setDone(done);
    }
    return true;
}
