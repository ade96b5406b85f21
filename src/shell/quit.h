// quit.h -- the one way the program ends, and the show's clock.
#pragma once

// Main thread only; never returns. After the engine was started it shows the profiling
// box first; then, with a message, the error box and exit code 1, else exit code 0.
// Shuts down exactly what DemoState::startedFlags says was started.
[[noreturn]] void Quit(const char* message);

// Seconds since start-up, from the high-resolution counter (virtual in capture mode).
float GetTime();

// "Profiling Results:\nFPS = %0.1f  PPS = %0.1f" into `out` (256 characters).
void FormatProfilingResults(char* out, unsigned size, float framesPerSecond, float polygonsPerSecond);
