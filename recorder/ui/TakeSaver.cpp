#include "TakeSaver.h"

#include "CAudioPlayRec.h"
#include "MessageBoxes.h"
#include "Mp3EncoderLibrary.h"
#include "SaveFileDialog.h"
#include "SaveProgress.h"

#include <cstdio>
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

TakeSaver::TakeSaver(fs::path source, const WaveFormat &format, SaveFileDialog &dialog,
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
    // Writing onto the take itself would truncate it before it is read.
    if (decision.type() != SaveDecision::Type::Nothing && sameFile(decision.path(), source_))
        return fail();
    switch (decision.type()) {
    case SaveDecision::Type::Mp3:
        return saveMp3(decision.path());
    case SaveDecision::Type::Wav:
        return saveWav(decision.path());
    case SaveDecision::Type::Nothing:
        break;
    }
    return false;
}

bool TakeSaver::fail(const std::string &writtenPath)
{
    // Only what the save itself made goes: a file, or a link it wrote through.
    std::error_code error;
    const fs::file_type type = fs::symlink_status(writtenPath, error).type();
    if (!writtenPath.empty() && (type == fs::file_type::regular || type == fs::file_type::symlink))
        fs::remove(writtenPath, error);
    messages_.inform(kFailed, kNotify);
    return false;
}

bool TakeSaver::saveMp3(const std::string &path)
{
    const std::size_t blockBytes = format_.avgBytesPerSec / 20;
    CAudioPlayRec writer(messages_, encoderLibrary_);
    writer.SetFormat(1, format_.samplesPerSec, format_.bitsPerSample);
    if (!writer.OpenOutput(0, path))
        return fail();
    File source(std::fopen(source_.c_str(), "rb"));
    if (!source) {
        writer.ReleaseOutput();
        return fail(path);
    }
    const std::uint64_t length = lengthOf(source.get());
    const std::uint64_t data = length > kHeaderBytes ? length - kHeaderBytes : 0;
    std::fseek(source.get(), long(std::min<std::uint64_t>(length, kHeaderBytes)), SEEK_SET);
    progress_.setRange(data);
    std::vector<std::uint8_t> block(blockBytes);
    std::uint64_t total = 0;
    bool readFailed = false;
    for (;;) {
        const std::size_t read = std::fread(block.data(), 1, block.size(), source.get());
        if (read == 0) {
            readFailed = std::ferror(source.get()) != 0;
            break;
        }
        total += read;
        progress_.setDone(total);
        const std::uint32_t lengths[CAudioPlayRec::kSlots] = {std::uint32_t(read),
                                                              std::uint32_t(read)};
        const std::uint8_t *const blocks[CAudioPlayRec::kSlots] = {block.data(), block.data()};
        writer.FeedOutput(lengths, blocks);
    }
    if (!writer.ReleaseOutput() || readFailed)
        return fail(path);
    return true;
}

bool TakeSaver::saveWav(const std::string &path)
{
    File source(std::fopen(source_.c_str(), "rb"));
    if (!source)
        return fail();
    File target(std::fopen(path.c_str(), "wb"));
    if (!target)
        return fail();
    progress_.setRange(lengthOf(source.get()));
    char block[kWavCopyBlock];
    std::uint64_t total = 0;
    for (;;) {
        const std::size_t read = std::fread(block, 1, sizeof block, source.get());
        if (read == 0)
            break;
        // A short write is a full disk: the copy is not the take, so it goes.
        if (std::fwrite(block, 1, read, target.get()) != read) {
            target.reset();
            return fail(path);
        }
        total += read;
        progress_.setDone(total);
    }
    const bool readFailed = std::ferror(source.get()) != 0;
    if (readFailed || std::fclose(target.release()) != 0)
        return fail(path);
    return true;
}
