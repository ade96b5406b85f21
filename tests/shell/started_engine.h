// started_engine.h -- an engine for the shell's tests: started, with fixed profiling
// figures (25 frames and 25000 polygons a second) and frame times handed out in batches.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/core/engine_records.h"
#include "platform/platform.h"

class StartedEngine : public EngineRecords {
public:
    int EnumerateDevices(DisplayDevice**, int32_t*) override { return 0; }
    int Init(InstanceHandle, const DisplayDevice*, const DisplayMode*) override { return 1; }
    int Render(Scene*) override { return 1; }
    int Kill() override {
        killed = true;
        return killAnswers ? 1 : 0;
    }
    void SetApplicationName(const char*) override {}
    WindowHandle GetWindow() override { return nullptr; }
    void SetMessageHandler(MessageHandler) override {}
    const char* GetErrorText() override { return "No Error"; }
    void StartProfiling() override {}
    void StopProfiling() override {}
    float GetPolygonsPerSecond() override { return 25000.0f; }
    float GetFramesPerSecond() override { return 25.0f; }
    // One prepared batch per call; none left gives no times.
    void TakeFrameTimes(std::vector<float>* out) override {
        out->clear();
        if (frameTimeBatches.empty()) return;
        *out = frameTimeBatches.front();
        frameTimeBatches.pop_front();
    }

    bool killed = false;
    bool killAnswers = true;  // false: Kill times out, as with a render thread that hangs
    std::deque<std::vector<float>> frameTimeBatches;
};

// The platform with message boxes printed to standard error, for the death tests.
inline void StartHeadless() {
    platform::Options options;
    options.headless = true;
    std::string error;
    platform::Startup(options, &error);
}
