// frame_report.h -- the show's frame-rate report: per part of the show, the frames drawn
// and the median and worst real time between two frames, printed when the show ends.
#pragma once

#include <string>
#include <vector>

class GLEngine;

struct PartFrames {
    std::string name;
    std::vector<float> times;  // seconds between successive frames, one per frame drawn
};

class FrameReport {
public:
    // Ends the part running so far (its frames are taken from the engine) and starts
    // `name`. Parts of the same name (the short video cuts) are counted together.
    void Begin(GLEngine* engine, const char* name);
    // Ends the last part.
    void End(GLEngine* engine);
    const std::vector<PartFrames>& Parts() const { return parts; }
    // A table, one line per part: frames, median and worst frame time in milliseconds,
    // and the frames per second the median gives. Empty when no part was measured.
    std::string Format() const;

private:
    std::vector<PartFrames> parts;
    int current = -1;
};

// The median (the lower middle one of an even count) and the largest of `times`; both 0
// for none. Reorders `times`.
void MedianAndWorst(std::vector<float>& times, float* median, float* worst);
