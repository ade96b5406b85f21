// frame_report.cpp -- collecting the frame times per part of the show and the table.
#include "shell/frame_report.h"

#include <algorithm>
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
    char line[128];
    for (const PartFrames& part : parts) {
        if (out.empty()) out = "Frame times by part of the show (real time between frames):\n"
                               "  part       frames  median ms  worst ms  median fps\n";
        std::vector<float> times = part.times;
        float median = 0, worst = 0;
        MedianAndWorst(times, &median, &worst);
        std::snprintf(line, sizeof line, "  %-9s %7zu %10.2f %9.2f %11.1f\n", part.name.c_str(), part.times.size(),
                      median * 1000.0f, worst * 1000.0f, median > 0 ? 1.0f / median : 0.0f);
        out += line;
    }
    return out;
}
