// The frame-rate report: the parts' frames and times, cuts counted together, the table.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/core/engine_records.h"
#include "shell/frame_report.h"

namespace {
// Hands out prepared batches of frame times, one batch per TakeFrameTimes.
class TimedEngine final : public EngineRecords {
public:
    std::deque<std::vector<float>> batches;
    size_t TakeFrameTimes(std::vector<float>* out) override {
        out->clear();
        if (batches.empty()) return 0;
        *out = batches.front();
        batches.pop_front();
        return out->size();
    }
    int EnumerateDevices(DisplayDevice**, int32_t*) override { return 0; }
    int Init(InstanceHandle, const DisplayDevice*, const DisplayMode*) override { return 1; }
    int Render(Scene*) override { return 1; }
    int Kill() override { return 1; }
    void SetApplicationName(const char*) override {}
    WindowHandle GetWindow() override { return nullptr; }
    void SetMessageHandler(MessageHandler) override {}
    const char* GetErrorText() override { return "No Error"; }
    void StartProfiling() override {}
    void StopProfiling() override {}
    float GetPolygonsPerSecond() override { return 0; }
    float GetFramesPerSecond() override { return 0; }
};
}  // namespace

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
    TimedEngine engine;
    engine.batches = {{0.010f, 0.010f, 0.012f}, {0.040f}, {0.020f, 0.020f}, {0.041f, 0.042f}, {0.1f, 0.016f}};
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
    EXPECT_EQ(report.Parts()[0].frames, 3u);
    EXPECT_EQ(report.Parts()[1].name, "cut");
    EXPECT_EQ(report.Parts()[1].frames, 3u);
    EXPECT_EQ(report.Parts()[3].name, "heart");
    EXPECT_EQ(report.Parts()[3].frames, 2u);

    const std::string table = report.Format();
    EXPECT_NE(table.find("  title           3      10.00     12.00       100.0\n"), std::string::npos) << table;
    EXPECT_NE(table.find("  cut             3      41.00     42.00        24.4\n"), std::string::npos) << table;
    EXPECT_NE(table.find("  heart           2      16.00    100.00        62.5\n"), std::string::npos) << table;
}
