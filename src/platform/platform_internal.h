// platform_internal.h -- shared between the platform's own units only: what the shared
// pieces (start-up, message boxes, clock, mode list, capture) need from each other, and
// what every back-end folder (sdl/, win32/) provides to them.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

// ---------------------------------------------------------------- shared pieces

// Capture: reads the finished frame back from the current GL context (width x height),
// writes it as the next numbered PNG, runs the frame hook and steps the virtual clock.
// Render-window thread only.
void CaptureFrame(int width, int height);
// Capture mode: reads back the window's finished frame (CaptureFrame at its client size)
// before the back-end swaps; nothing otherwise.
void CaptureBeforeSwap(Window* window);
// True when `path` ends in `extension` (".mp4"), ignoring ASCII case.
bool HasExtension(const std::string& path, const char* extension);
// A capture target ending in .mp4 or .mkv is a video.
bool IsVideoTarget(const std::string& target);
// A capture file that cannot be written (errno `error`, 0 when unknown) ends the program
// at once with code 1 and the one line "capture: cannot write PATH: REASON": a capture
// with a hole in it is no capture. Everything written before stays complete.
[[noreturn]] void CaptureWriteFailed(const std::string& path, int error);

// The windows that exist. Another thread uses a window only while a LiveWindow guard that
// found it is held: the window cannot be destroyed meanwhile (its thread removes it from
// the list first, under the same lock).
class LiveWindow {
public:
    explicit LiveWindow(Window* window);
    explicit operator bool() const { return live; }

private:
    std::lock_guard<std::mutex> lock;
    bool live;
};
void AddLiveWindow(Window* window);
void RemoveLiveWindow(Window* window);

// ---------------------------------------------------------------- each back-end

// Start-up after the shared checks passed, and the end of the run.
bool StartBackend(const Options& options, std::string* error);
void StopBackend();
// A modal box of the system's own; false when it could not be shown (the caller prints).
bool ShowSystemMessageBox(const char* text, const char* caption, unsigned style);
// The system's high-resolution counter and its ticks per second.
int64_t SystemCounterFrequency();
int64_t SystemCounter();
// The procedure the window was created with.
WindowProc OwnerProcedure(Window* window);
// The primary display's modes in the order the system reports them (read once).
void ReadSystemModes(std::vector<ModeInfo>* modes);

// Capture into a video file. FindVideoEncoder says whether the ffmpeg command can be
// started; VideoFrame takes one finished frame (RGB, bottom row first); FinishVideo ends
// the encoding at shut-down and is false, the reason printed, when the video could not
// be written. A back-end without video capture says so in FindVideoEncoder's error.
bool FindVideoEncoder(std::string* error);
void VideoFrame(const uint8_t* rgbBottomUp, int width, int height);
bool FinishVideo();

}  // namespace platform
