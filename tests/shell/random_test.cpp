// The one generator of the show: its sequence written out, so a changed rule, seed or
// width fails here and not only as two runs that still agree with each other.
#include <gtest/gtest.h>

#include <vector>

#include "shell/random.h"

TEST(SharedRandom, FirstDrawsAfterTheShowsSeeds) {
    SeedRandom(17);
    std::vector<int> draws;
    for (int i = 0; i < 10; ++i) draws.push_back(Random());
    EXPECT_EQ(draws, (std::vector<int>{94, 26602, 30017, 18297, 20363, 13015, 28509, 15290, 29003, 24399}));
    // The missile's reseed while loading.
    SeedRandom(123456);
    draws.clear();
    for (int i = 0; i < 5; ++i) draws.push_back(Random());
    EXPECT_EQ(draws, (std::vector<int>{9977, 22818, 10150, 16017, 7706}));
    // The state wraps at 2^32 and the result keeps bits 16..30 only.
    SeedRandom(0xFFFFFFFFu);
    EXPECT_EQ(Random(), ((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF);
    for (int i = 0; i < 100000; ++i) {
        const int r = Random();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
}
