// SPDX-License-Identifier: GPL-3.0-or-later
// MP3 conversion of a 600 s take through the output writer, the way the save
// worker does it (50 ms blocks read from the buffer file), against the lame
// command line on the same WAV file in the same run.
#include "BenchTake.h"
#include "BufferFile.h"
#include "CAudioPlayRec.h"
#include "PrintedMessages.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool convert(const fs::path &take, const fs::path &mp3, MessageBoxes &messages)
{
    CAudioPlayRec writer(messages);
    writer.SetFormat(1, 44100, 16);
    if (!writer.OpenOutput(0, mp3.string()))
        return false;
    std::ifstream in(take, std::ios::binary);
    in.seekg(BufferFile::kHeaderSize);
    std::vector<std::uint8_t> block(BenchTake::kBytesPerSecond / 20);
    for (;;) {
        in.read(reinterpret_cast<char *>(block.data()), std::streamsize(block.size()));
        const auto read = static_cast<std::uint32_t>(in.gcount());
        if (read == 0)
            break;
        const std::uint32_t lengths[2] = {read, read};
        const std::uint8_t *blocks[2] = {block.data(), block.data()};
        writer.FeedOutput(lengths, blocks);
    }
    return writer.ReleaseOutput();
}

} // namespace

int main()
{
    const fs::path folder = BenchTake::scratchFolder();
    PrintedMessages messages;
    BufferFile take(folder);
    const auto pcm = BenchTake::music(600);
    if (!take.prepare().done() || take.append(pcm.data(), pcm.size()) != pcm.size())
        return 1;
    take.complete();

    const BenchTake::Stopwatch watch;
    const bool converted = convert(take.bufferPath(), folder / "ours.mp3", messages);
    const double ours = watch.seconds();
    const std::string lame = "lame --silent -b 320 -m j ";
    const std::string files =
        " '" + take.bufferPath().string() + "' '" + (folder / "lame.mp3").string() + "'";
    const double reference = BenchTake::timeCommand(lame + "-q 2" + files);
    const double sameQuality = BenchTake::timeCommand(lame + "-q 3" + files);
    std::error_code error;
    fs::remove_all(folder, error);
    if (!converted || reference <= 0 || sameQuality <= 0) {
        std::fprintf(stderr, "conversion or reference run failed\n");
        return 1;
    }
    const double ratio = ours / reference;
    std::printf("mp3 conversion, 600 s take: ours %.2f s, lame -b 320 -m j -q 2 %.2f s\n", ours,
                reference);
    std::printf("  ratio %.3f (goal <= 1.05: %s)\n", ratio, ratio <= 1.05 ? "met" : "NOT met");
    std::printf("  ours uses the encoder's default quality (3); against lame -q 3 (%.2f s): %.3f\n",
                sameQuality, ours / sameQuality);
    return 0;
}
