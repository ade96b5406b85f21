// The frame-rate report: the parts' frames and times, cuts counted together, the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/frame_report.h"
#include "started_engine.h"

TEST(FrameReport, MedianAndWorst) {
    float median = -1, worst = -1;
    std::vector<float> none;
    MedianAndWorst(none, &median, &worst);
    EXPECT_EQ(median, 0.0f);
    EXPECT_EQ(worst, 0.0f);
    std::vector<float> odd{0.030f, 0.010f, 0.020f};
    MedianAndWorst(odd, &median, &worst);
    EXPECT_FLOAT_EQ(median, 0.020f);
    EXPECT_FLOAT_EQ(worst, 0.030f);
    std::vector<float> even{0.040f, 0.010f, 0.020f, 0.5f};  // the lower middle one
    MedianAndWorst(even, &median, &worst);
    EXPECT_FLOAT_EQ(median, 0.020f);
    EXPECT_FLOAT_EQ(worst, 0.5f);
}

TEST(FrameReport, EachPartKeepsItsOwnFramesAndCutsAddUp) {
    StartedEngine engine;
    engine.frameTimeBatches = {{0.010f, 0.010f, 0.012f}, {0.040f}, {0.020f, 0.020f}, {0.041f, 0.042f}, {0.1f, 0.016f}};
    FrameReport report;
    EXPECT_EQ(report.Format(), "");
    report.Begin(&engine, "title");
    report.Begin(&engine, "cut");
    report.Begin(&engine, "logo");
    report.Begin(&engine, "cut");
    report.Begin(&engine, "heart");
    report.End(&engine);
    report.End(&engine);  // a second end takes nothing
    ASSERT_EQ(report.Parts().size(), 4u);
    EXPECT_EQ(report.Parts()[0].name, "title");
    EXPECT_EQ(report.Parts()[0].times.size(), 3u);
    EXPECT_EQ(report.Parts()[1].name, "cut");
    EXPECT_EQ(report.Parts()[1].times.size(), 3u);
    EXPECT_EQ(report.Parts()[3].name, "heart");
    EXPECT_EQ(report.Parts()[3].times.size(), 2u);

    const std::string table = report.Format();
    EXPECT_NE(table.find("  title           3      10.00     12.00       100.0\n"), std::string::npos) << table;
    EXPECT_NE(table.find("  cut             3      41.00     42.00        24.4\n"), std::string::npos) << table;
    EXPECT_NE(table.find("  heart           2      16.00    100.00        62.5\n"), std::string::npos) << table;
}
