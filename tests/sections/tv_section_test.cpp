// The TV section outside the show: its two phases end at their orders, a late start skips
// what is already past, and the set, the video, the credits and the missile are drawn.
#include <gtest/gtest.h>

#include "sections/metaballs.h"
#include "sections/missile.h"
#include "sections/sections.h"
#include "support/section_harness.h"

namespace {
void StartOnce() {
    static bool ready = false;
    if (ready) return;
    std::string error;
    ASSERT_TRUE(SectionHarness::Start(160, 120, &error)) << error;
    MetaballsInit();  // the heart section makes the metaballs the TV shows
    LoadWarFrames(0, 360);
    TvInit();
    ready = true;
}
}  // namespace

TEST(TvSection, LateStartsSkipWhatIsPast) {
    StartOnce();
    SectionHarness::SetMusic(19, 0, 1);
    TvRun();
    EXPECT_TRUE(SectionHarness::Frames().empty()) << "a start at order 19 draws nothing";
    SectionHarness::SetMusic(18, 40, 1);
    TvRun();
    const auto frames = SectionHarness::Frames();
    EXPECT_EQ(frames.size(), 24u);  // rows 40..63 of order 18, one frame each
    EXPECT_TRUE(GetMissileObject()->IsEnabled());
}

TEST(TvSection, BothPhasesPlayToOrder19) {
    StartOnce();
    SectionHarness::SetMusic(10, 0, 1);
    TvRun();
    const auto frames = SectionHarness::Frames();
    ASSERT_EQ(frames.size(), 9u * 64u);
    EXPECT_EQ(frames.back().order, 18);
    EXPECT_EQ(frames.back().row, 63);
    // Something is drawn all the way through: the lit set, the credits, the missile.
    size_t dark = 0;
    for (const auto& f : frames) dark += f.meanBrightness < 1.0;
    EXPECT_LT(dark, frames.size() / 20);
}
