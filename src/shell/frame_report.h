// frame_report.h -- the show's frame-rate report, printed when the show ends: the time
// loading took, per part of the show the frames drawn and the median, 99th percentile and
// worst real time between two frames, and how far the pictures ran ahead of the sound.
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
    // Real seconds from the engine's start to the first frame of the show, and the part of
    // them spent decoding the video frames.
    void SetLoading(double seconds, double videoSeconds);
    // The pictures' lead over the sound heard, one value in milliseconds per shown frame
    // (negative: behind). None without an audio device.
    void SetPictureLeads(std::vector<float> ms) { leads = std::move(ms); }
    // The loading line, then a table, one line per part: frames, median, 99th percentile
    // and worst frame time in milliseconds, and the frames per second the median gives;
    // then the lead line. Empty when no part was measured.
    std::string Format() const;

private:
    std::vector<PartFrames> parts;
    int current = -1;
    double loadingSeconds = -1.0, loadingVideoSeconds = 0.0;
    std::vector<float> leads;
};

// The value below which `percent` of `times` lie (nearest rank); 0 for none. Reorders
// `times`.
float Percentile(std::vector<float>& times, double percent);

// The median (the lower middle one of an even count) and the largest of `times`; both 0
// for none. Reorders `times`.
void MedianAndWorst(std::vector<float>& times, float* median, float* worst);
