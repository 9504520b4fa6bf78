// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveDecision.h"

#include <gtest/gtest.h>

TEST(SaveDecision, ExactExtensionsWinAndOtherNamesGetTheFiltersExtension)
{
    using T = SaveDecision::Type;
    struct Case {
        const char *chosen;
        int filter;
        T type;
        const char *path;
    } cases[] = {
        {"/home/u/take", 2, T::Wav, "/home/u/take.wav"},
        {"/home/u/take", 1, T::Mp3, "/home/u/take.mp3"},
        {"/home/u/take.WAV", 1, T::Mp3, "/home/u/take.WAV.mp3"},
        {"/home/u/take.txt", 1, T::Mp3, "/home/u/take.txt.mp3"},
        {"/home/u/take.mp3", 2, T::Mp3, "/home/u/take.mp3"},
        {"/home/u/take.wav", 1, T::Wav, "/home/u/take.wav"},
        {"/home/u/my.dir/take", 2, T::Wav, "/home/u/my.dir/take.wav"},
        {"/home/u/take.txt", 0, T::Nothing, ""},
        {"/home/u/take", 3, T::Nothing, ""},
        {"/home/u/", 1, T::Nothing, ""},
        {"", 2, T::Nothing, ""},
    };
    for (const Case &c : cases) {
        const SaveDecision decision = SaveDecision::decide(c.chosen, c.filter);
        EXPECT_EQ(decision.type(), c.type) << c.chosen << " " << c.filter;
        EXPECT_EQ(decision.path(), c.path) << c.chosen << " " << c.filter;
    }
}
