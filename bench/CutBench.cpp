// SPDX-License-Identifier: GPL-3.0-or-later
// Cut of a 600 s take (keeping all but its first second) against the same
// durable work done by cp: a copy of the take flushed to disk (cp, then
// fdatasync of the copy through sync --data), best of five each, in the same
// run and folder.
#include "BenchTake.h"
#include "BufferFile.h"

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;

int main()
{
    const fs::path folder = BenchTake::scratchFolder();
    BufferFile take(folder);
    const auto pcm = BenchTake::music(600);
    double cut = 1e9, copy = 1e9;
    for (int run = 0; run < 5; ++run) {
        if (!take.prepare().done() || take.append(pcm.data(), pcm.size()) != pcm.size())
            return 1;
        take.complete();
        const std::string copied = "'" + (folder / "copy.wav").string() + "'";
        const double copying = BenchTake::timeCommand("cp '" + take.bufferPath().string() + "' " +
                                                      copied + " && sync --data " + copied);
        if (copying < 0)
            return 1;
        copy = std::min(copy, copying);
        fs::remove(folder / "copy.wav");

        const BenchTake::Stopwatch watch;
        if (!take.cut(1000, 0).done())
            return 1;
        cut = std::min(cut, watch.seconds());
    }
    std::error_code error;
    fs::remove_all(folder, error);
    const double ratio = cut / copy;
    std::printf("cut, 600 s take: ours %.3f s, cp and fdatasync %.3f s\n", cut, copy);
    std::printf("  ratio %.3f (goal <= 1.5: %s)\n", ratio, ratio <= 1.5 ? "met" : "NOT met");
    return 0;
}
