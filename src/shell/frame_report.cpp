// frame_report.cpp -- collecting the frame times per part of the show and the table.
#include "shell/frame_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/engine.h"

void MedianAndWorst(std::vector<float>& times, float* median, float* worst) {
    *median = *worst = 0.0f;
    if (times.empty()) return;
    const auto middle = times.begin() + static_cast<std::ptrdiff_t>((times.size() - 1) / 2);
    std::nth_element(times.begin(), middle, times.end());
    *median = *middle;
    *worst = *std::max_element(times.begin(), times.end());
}

float Percentile(std::vector<float>& times, double percent) {
    if (times.empty()) return 0.0f;
    // Nearest rank: the smallest value with at least `percent` of the values at or below it.
    size_t rank = static_cast<size_t>(std::ceil(percent / 100.0 * static_cast<double>(times.size())));
    rank = std::clamp<size_t>(rank, 1, times.size());
    const auto at = times.begin() + static_cast<std::ptrdiff_t>(rank - 1);
    std::nth_element(times.begin(), at, times.end());
    return *at;
}

void FrameReport::SetLoading(double seconds, double videoSeconds) {
    loadingSeconds = seconds;
    loadingVideoSeconds = videoSeconds;
}

void FrameReport::End(GLEngine* engine) {
    if (current < 0 || !engine) return;
    std::vector<float> taken;
    PartFrames& part = parts[static_cast<size_t>(current)];
    engine->TakeFrameTimes(&taken);
    part.times.insert(part.times.end(), taken.begin(), taken.end());
    current = -1;
}

void FrameReport::Begin(GLEngine* engine, const char* name) {
    End(engine);
    for (size_t i = 0; i < parts.size(); ++i)
        if (parts[i].name == name) current = static_cast<int>(i);
    if (current < 0) {
        parts.push_back(PartFrames{name, {}});
        current = static_cast<int>(parts.size() - 1);
    }
}

std::string FrameReport::Format() const {
    std::string out;
    char line[160];
    if (parts.empty()) return out;
    if (loadingSeconds >= 0.0) {
        std::snprintf(line, sizeof line,
                      "Loading took %.2f s from the engine's start to the show's first frame, %.0f%% of it "
                      "decoding the video frames (%.2f s).\n",
                      loadingSeconds, loadingSeconds > 0 ? 100.0 * loadingVideoSeconds / loadingSeconds : 0.0,
                      loadingVideoSeconds);
        out += line;
    }
    out += "Frame times by part of the show (real time between frames):\n"
           "  part       frames  median ms  p99 ms  worst ms  median fps\n";
    for (const PartFrames& part : parts) {
        std::vector<float> times = part.times;
        float median = 0, worst = 0;
        MedianAndWorst(times, &median, &worst);
        const float p99 = Percentile(times, 99.0);
        std::snprintf(line, sizeof line, "  %-9s %7zu %10.2f %7.2f %9.2f %11.1f\n", part.name.c_str(),
                      part.times.size(), median * 1000.0f, p99 * 1000.0f, worst * 1000.0f,
                      median > 0 ? 1.0f / median : 0.0f);
        out += line;
    }
    if (!leads.empty()) {
        std::vector<float> sorted = leads;
        float median = 0, unused = 0;
        MedianAndWorst(sorted, &median, &unused);
        // The worst is the lead of largest size, ahead or behind.
        float worst = 0;
        for (float l : leads)
            if (std::fabs(l) > std::fabs(worst)) worst = l;
        std::snprintf(line, sizeof line,
                      "Pictures ahead of the sound heard: median %.1f ms, worst %.1f ms (%zu frames).\n", median,
                      worst, leads.size());
        out += line;
    }
    return out;
}
