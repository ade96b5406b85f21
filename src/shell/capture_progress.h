// capture_progress.h -- what a capture shows while it runs: on a terminal one line of
// standard error rewritten in place (show time captured and the show's length, a bar,
// frames, frames per second, time left), elsewhere a line at every tenth of the show;
// and at the end one line saying what was written where. Standard output keeps the
// frame report. Nothing here knows how frames are captured.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct VssModule;

struct CaptureProgressFigures {
    uint64_t frames = 0;       // captured since the show began
    double showSeconds = 0;    // of the show captured: frames / fps
    double showLength = 0;     // the show's expected length in seconds; 0 while unknown
    double realSeconds = 0;    // real time since the show began
};

// "  1:02.3 / 3:58.0 [######..............]  1869 frames  29.8 fps  2:01 left"
std::string FormatCaptureProgress(const CaptureProgressFigures& figures, int barWidth);

class CaptureProgress {
public:
    // `terminal`: `out` is a terminal, where one line is rewritten in place.
    CaptureProgress(FILE* out, bool terminal) : out(out), terminal(terminal) {}
    // One captured frame. On a terminal the line is rewritten at most four times a
    // second; elsewhere a line is written each time another tenth of the show is done.
    void Frame(const CaptureProgressFigures& figures);
    // Ends the rewritten line, then writes `result` (when not empty) on a line of its own.
    void Finish(const std::string& result);

private:
    FILE* out;
    bool terminal;
    bool lineOpen = false;
    double lastWrite = -1.0;
    int tenthsWritten = 0;
};

// Rows of the song before order `order` (separators skipped, nothing after the end
// mark): a measure of how far the music has come that needs no playing.
int64_t MusicRowsBefore(const VssModule* module, int32_t order);

// The frame report's folder line: "capture: wrote DIR: N frames (frame_000000.png to
// frame_NNNNNN.png), S seconds, sound.wav and timeline.txt".
std::string CaptureFolderResult(const std::string& folder, uint64_t frames, int fps);

// The show's own capture progress, started by the main sequence when the show begins,
// fed once per captured frame (render thread) and finished by Quit. The show's length is
// estimated from the music: the rows from `startOrder` to `endOrder` at the pace
// captured so far, plus `tailSeconds` after the end order. No-ops outside capture mode.
void CaptureProgressStart(const VssModule* module, int32_t startOrder, int32_t endOrder, double tailSeconds);
void CaptureProgressFrame();
void CaptureProgressFinish();
