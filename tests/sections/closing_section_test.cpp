// The closing section: the messages typed at their rows of order 24, the seven-second
// fade from order 25, and the end of the section.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sections/closing.h"
#include "sections/sections.h"
#include "support/section_harness.h"

namespace {
// Mean brightness of the band of a 256 x 192 frame where the teletype's fifth and sixth
// lines lie (after four blank lines).
double TextBandBrightness(const SectionHarness::FrameInfo& f) {
    double sum = 0;
    const size_t from = 96 * 256 * 3, to = 144 * 256 * 3;
    for (size_t i = from; i < to; ++i) sum += f.rgb[i];
    return sum / static_cast<double>(to - from);
}
}  // namespace

TEST(ClosingSection, TypesAtItsRowsThenFadesForSevenSeconds) {
    std::string error;
    ASSERT_TRUE(SectionHarness::Start(256, 192, &error)) << error;
    ClosingInit();
    // Four frames per row at 30 frames per second; order 24 has 128 rows here, as the
    // closing's rows ask.
    SectionHarness::KeepPixels(true);
    SectionHarness::SetMusic(24, 20, 4, 128);
    ClosingRun();
    const std::vector<SectionHarness::FrameInfo> frames = SectionHarness::Frames();
    ASSERT_FALSE(frames.empty());


    // Nothing is typed before row 32; "You Have / Been Freed" appears from row 64 on.
    size_t before = 0, typed = 0, fadeStart = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].order == 24 && frames[i].row == 30) before = i;
        if (frames[i].order == 24 && frames[i].row == 95) typed = i;
        if (frames[i].order == 25 && !fadeStart) fadeStart = i;
    }
    ASSERT_GT(typed, before);
    EXPECT_GT(TextBandBrightness(frames[typed]), TextBandBrightness(frames[before]) + 1.0);

    // The fade: 7 s at 30 frames per second, then the section returns.
    ASSERT_GT(fadeStart, 0u);
    const size_t fadeFrames = frames.size() - fadeStart;
    EXPECT_GE(fadeFrames, 209u);
    EXPECT_LE(fadeFrames, 212u);
    EXPECT_GT(frames[fadeStart].meanBrightness, 4 * frames.back().meanBrightness + 1.0);
    EXPECT_LT(frames.back().meanBrightness, 2.0);
}

// Which text is typed after which wait, written out as the show has it.
TEST(ClosingSection, TwelveStepsAtTheirRows) {
    struct Expected {
        int order, row;
        std::string text;  // "-": nothing is typed
    };
    const std::vector<Expected> expected = {
        {24, 32, "\n"},  {24, 40, "\n"},  {24, 48, "\n"},  {24, 56, "\n"}, {24, 64, "    You Have\n   Been Freed"},
        {24, 80, "\n"},  {24, 84, "\n"},  {24, 88, "\n"},  {24, 96, "   By Vorn..."},
        {24, 116, "\n"}, {24, 120, "\n"}, {25, 0, "-"},
    };
    int count = 0;
    const ClosingStep* steps = ClosingSchedule(&count);
    ASSERT_EQ(count, 12);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(steps[i].order, expected[i].order) << "step " << i + 1;
        EXPECT_EQ(steps[i].row, expected[i].row) << "step " << i + 1;
        EXPECT_EQ(steps[i].text ? std::string(steps[i].text) : std::string("-"), expected[i].text) << "step " << i + 1;
    }
    EXPECT_EQ(std::string(steps[4].text).size(), 26u);  // 3.25 s at 0.125 s a character
}

TEST(ClosingSection, FadeAlphaFallsFrom255To0InSevenSeconds) {
    EXPECT_EQ(ClosingFadeAlpha(0.0f), 255);
    EXPECT_EQ(ClosingFadeAlpha(1.0f), 218);
    EXPECT_EQ(ClosingFadeAlpha(3.5f), 127);
    EXPECT_EQ(ClosingFadeAlpha(6.9f), 3);
    EXPECT_EQ(ClosingFadeAlpha(7.0f), 0);
}
