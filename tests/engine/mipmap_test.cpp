// The mipmap chain: level sizes down to 1 x 1 and box-filtered texels.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/gl/mipmap.h"

TEST(Mipmap, ChainOf256By64HasNineLevels) {
    int w = 256, h = 64;
    std::vector<uint8_t> level(static_cast<size_t>(w * h * 4), 100);
    std::vector<std::pair<int, int>> sizes{{w, h}};
    while (w > 1 || h > 1) {
        std::vector<uint8_t> next(static_cast<size_t>((w > 1 ? w / 2 : 1) * (h > 1 ? h / 2 : 1) * 4));
        HalveMipmapLevel(level.data(), w, h, next.data(), &w, &h);
        level = std::move(next);
        sizes.push_back({w, h});
    }
    const std::vector<std::pair<int, int>> expected{{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4},
                                                    {8, 2},    {4, 1},    {2, 1},   {1, 1}};
    EXPECT_EQ(sizes, expected);
    EXPECT_EQ(level[0], 100);
}

TEST(Mipmap, AveragesBlocksAndDropsTheOddColumn) {
    // 3 x 2 RGBA: the third column is dropped; the 2 x 2 block sums are shifted right by 2.
    const uint8_t source[3 * 2 * 4] = {0, 10, 255, 1,  4, 10, 255, 2,  99, 99, 99, 99,
                                       8, 10, 255, 3,  3, 11, 254, 4,  99, 99, 99, 99};
    uint8_t target[4];
    int w = 0, h = 0;
    HalveMipmapLevel(source, 3, 2, target, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(target[0], (0 + 4 + 8 + 3) >> 2);
    EXPECT_EQ(target[1], (10 + 10 + 10 + 11) >> 2);
    EXPECT_EQ(target[2], (255 + 255 + 255 + 254) >> 2);
    EXPECT_EQ(target[3], (1 + 2 + 3 + 4) >> 2);
}

TEST(Mipmap, ARowHalvesByPairs) {
    const uint8_t source[4 * 4] = {10, 0, 0, 0, 21, 0, 0, 0, 200, 0, 0, 0, 101, 0, 0, 0};
    uint8_t target[2 * 4];
    int w = 0, h = 0;
    HalveMipmapLevel(source, 4, 1, target, &w, &h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(target[0], (10 + 21) >> 1);
    EXPECT_EQ(target[4], (200 + 101) >> 1);
    const uint8_t column[2 * 4] = {7, 0, 0, 0, 8, 0, 0, 0};
    HalveMipmapLevel(column, 1, 2, target, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(target[0], 7);
}
