// platform_internal.h -- shared between the platform's own units only.
#pragma once

#include "platform/platform.h"

namespace platform {
// Capture: reads the finished frame back from the current GL context (width x height),
// writes it as the next numbered PNG, runs the frame hook and steps the virtual clock.
// Render-window thread only.
void CaptureFrame(int width, int height);
// A capture file that cannot be written (errno `error`, 0 when unknown) ends the program
// at once with code 1 and the one line "capture: cannot write PATH: REASON": a capture
// with a hole in it is no capture. Everything written before stays complete.
[[noreturn]] void CaptureWriteFailed(const std::string& path, int error);
// Capture into a video file (capture_video.cpp). A target ending in .mp4 or .mkv is a
// video; FindVideoEncoder says whether the ffmpeg command is on the PATH; VideoFrame takes
// one finished frame (RGB, bottom row first); FinishVideo ends the encoding at shut-down
// and is false, the reason printed, when the video could not be written.
bool IsVideoTarget(const std::string& target);
bool FindVideoEncoder(std::string* error);
void VideoFrame(const uint8_t* rgbBottomUp, int width, int height);
bool FinishVideo();
// Starts SDL's video (a count of starts, each stopped by SDL_QuitSubSystem), always with
// the driver of the first start. False with SDL's reason when the display refuses.
bool StartVideo(std::string* error);
}  // namespace platform
