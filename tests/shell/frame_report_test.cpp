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
    EXPECT_NE(table.find("  title           3      10.00   12.00     12.00       100.0\n"), std::string::npos) << table;
    EXPECT_NE(table.find("  cut             3      41.00   42.00     42.00        24.4\n"), std::string::npos) << table;
    EXPECT_NE(table.find("  heart           2      16.00  100.00    100.00        62.5\n"), std::string::npos) << table;
}

TEST(FrameReport, PercentileByNearestRank) {
    std::vector<float> none;
    EXPECT_EQ(Percentile(none, 99.0), 0.0f);
    std::vector<float> hundred;
    for (int i = 100; i >= 1; --i) hundred.push_back(static_cast<float>(i));
    EXPECT_EQ(Percentile(hundred, 99.0), 99.0f);
    EXPECT_EQ(Percentile(hundred, 100.0), 100.0f);
    std::vector<float> few{5.0f, 1.0f, 3.0f};  // fewer than a hundred: the 99th is the worst
    EXPECT_EQ(Percentile(few, 99.0), 5.0f);
}

TEST(FrameReport, LoadingLineFirstAndLeadLineLast) {
    StartedEngine engine;
    engine.frameTimeBatches = {{0.016f, 0.017f}};
    FrameReport report;
    report.SetLoading(4.0, 1.5);
    report.SetPictureLeads({-3.0f, -1.0f, 2.0f, -9.5f, 0.5f});
    EXPECT_EQ(report.Format(), "") << "nothing is printed before a part was measured";
    report.Begin(&engine, "title");
    report.End(&engine);
    const std::string text = report.Format();
    EXPECT_EQ(text.rfind("Loading took 4.00 s from the engine's start to the show's first frame, 38% of it decoding "
                         "the video frames (1.50 s).\n",
                         0),
              0u)
        << text;
    // The median of the signed leads, and the worst by size, behind here.
    const std::string lead = "Pictures ahead of the sound heard: median -1.0 ms, worst -9.5 ms (5 frames).\n";
    ASSERT_GE(text.size(), lead.size());
    EXPECT_EQ(text.substr(text.size() - lead.size()), lead) << text;
}
