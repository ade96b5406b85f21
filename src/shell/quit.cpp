// quit.cpp -- Quit, GetTime and the profiling box.
#include "shell/quit.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/engine.h"
#include "platform/platform.h"
#include "shell/capture_progress.h"
#include "shell/demo_state.h"
#include "sound/vss.h"

DemoState demo;

void FormatProfilingResults(char* out, unsigned size, float framesPerSecond, float polygonsPerSecond) {
    std::snprintf(out, size, "Profiling Results:\nFPS = %0.1f  PPS = %0.1f", framesPerSecond, polygonsPerSecond);
}

void Quit(const char* message) {
    float framesPerSecond = 0.0f, polygonsPerSecond = 0.0f;
    const bool engineStarted = (demo.startedFlags & kStartedEngine) && demo.engine;
    if (engineStarted) {
        demo.engine->StopProfiling();
        framesPerSecond = demo.engine->GetFramesPerSecond();
        polygonsPerSecond = demo.engine->GetPolygonsPerSecond();
        demo.frameReport.End(demo.engine);
        demo.engine->SetFrameObserver(nullptr);
        std::vector<float> leads;
        VSS_TakePictureLeads(&leads);
        demo.frameReport.SetPictureLeads(std::move(leads));
    }
    if (demo.startedFlags & kStartedSound) VSS_Kill();
    if (engineStarted && !demo.engine->Kill()) demo.startedFlags |= kRenderThreadLoose;
    CaptureProgressFinish();
    if (engineStarted) {
        const std::string report = demo.frameReport.Format();
        if (!report.empty()) {
            std::fputs(report.c_str(), stdout);
            std::fflush(stdout);
        }
        char text[256];
        FormatProfilingResults(text, sizeof text, framesPerSecond, polygonsPerSecond);
        platform::ShowMessageBox(text, "Vorn Umbravel Demo Profiling", platform::kBoxOk);
    }
    if (message)
        platform::ShowMessageBox(message, "Vorn Umbravel Demo Error", platform::kBoxOk | platform::kBoxIconExclamation);
    if (demo.startedFlags & kRenderThreadLoose) {
        // The render thread may still be running: neither the platform nor the process's
        // static objects are torn down under it; the process simply ends.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(message ? 1 : 0);
    }
    if (message) {
        platform::Shutdown();
        std::exit(1);
    }
    // A capture's video that could not be written is a failed run.
    std::exit(platform::Shutdown() ? 0 : 1);
}

float GetTime() {
    int64_t now = 0;
    platform::QueryCounter(&now);
    return static_cast<float>(static_cast<double>(now - demo.timerStart) / static_cast<double>(demo.timerFrequency));
}
