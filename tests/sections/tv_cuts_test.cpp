// The TV section's camera cuts and the light inside the set.
#include <gtest/gtest.h>

#include "sections/tv_cuts.h"

TEST(TvCameraCuts, FirstFrameOfEveryPatternCuts) {
    TvCameraCuts cuts;
    EXPECT_TRUE(cuts.Step(10, 0, kTvPhaseOneRows, false));
    EXPECT_EQ(cuts.camera, 1);
    EXPECT_FALSE(cuts.Step(10, 5, kTvPhaseOneRows, false));
    // A frame at row 9 with the threshold at 8 cuts once; the next needs row 10.
    EXPECT_TRUE(cuts.Step(10, 9, kTvPhaseOneRows, false));
    EXPECT_FALSE(cuts.Step(10, 9, kTvPhaseOneRows, false));
    EXPECT_TRUE(cuts.Step(10, 10, kTvPhaseOneRows, false));
    EXPECT_EQ(cuts.camera, 3);
    // At most one cut per frame, even far past several thresholds.
    EXPECT_TRUE(cuts.Step(10, 40, kTvPhaseOneRows, false));
    EXPECT_EQ(cuts.camera, 0);
    EXPECT_TRUE(cuts.Step(10, 40, kTvPhaseOneRows, false));
    // A new pattern starts the list again at once.
    EXPECT_TRUE(cuts.Step(11, 3, kTvPhaseOneRows, false));
    EXPECT_FALSE(cuts.Step(11, 7, kTvPhaseOneRows, false));
}

TEST(TvCameraCuts, PhaseOneStopsAfterItsListPhaseTwoCutsEveryFrameFromRow60) {
    TvCameraCuts one;
    int cutsInOrder = 0;
    for (int frame = 0; frame < 400; ++frame) cutsInOrder += one.Step(12, 63, kTvPhaseOneRows, false);
    EXPECT_EQ(cutsInOrder, 20);  // every entry below 64 once, then none
    TvCameraCuts two;
    int count = 0;
    for (int frame = 0; frame < 50; ++frame) count += two.Step(14, 61, kTvPhaseTwoRows, true);
    EXPECT_EQ(count, 50);
}

TEST(TvLight, WhiteThenRedDipAtTheEndOfThePatternGreyOverNoise) {
    EXPECT_EQ(TvLightColour(0.5f, false), Colour(255, 255, 255, 255));
    EXPECT_EQ(TvLightColour(0.85f, false), Colour(255, 127, 127, 255));
    EXPECT_EQ(TvLightColour(0.9f, false).g, 0);
    EXPECT_EQ(TvLightColour(1.0f, false), Colour(255, 255, 255, 255));
    EXPECT_EQ(TvLightColour(0.0f, true), Colour(255, 255, 255, 255));
    EXPECT_EQ(TvLightColour(0.5f, true), Colour(127, 127, 127, 255));
    EXPECT_EQ(TvLightColour(1.0f, true), Colour(0, 0, 0, 255));
}
