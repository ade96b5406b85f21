// capture_video.cpp -- capture into a video file is not offered by the Windows build:
// the check at start-up says so, and capture into a folder works as on Linux.
#include "platform/platform_internal.h"

namespace platform {

bool FindVideoEncoder(std::string* error) {
    if (error)
        *error = "capturing into a video (.mp4 or .mkv) is not available in the Windows build: capture into a "
                 "folder and encode it afterwards";
    return false;
}

void VideoFrame(const uint8_t*, int, int) {}
bool FinishVideo() { return true; }
bool OpenCaptureAudio(int, int, int) { return false; }
void WriteCaptureAudio(const void*, size_t) {}

}  // namespace platform
