// video_frames.h -- the frames of the two videos in memory: numbered JPEG pictures decoded
// during loading into 16-bit pixels (six bits of red, five of green and five of blue),
// turned back into RGBA one frame at a time while playing, and the frame a clock time
// selects. The sections' video unit owns the two tables; tests make their own.
#pragma once

#include <cstdint>

// Bits 0..5 red >> 2, bits 6..10 green >> 3, bits 11..15 blue >> 3.
inline uint16_t PackFramePixel(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint16_t>((red >> 2) | ((green >> 3) << 6) | ((blue >> 3) << 11));
}

// pixelCount 16-bit pixels into red, green, blue, alpha bytes; alpha is always 255, and
// the dropped low bits stay 0, so (255, 255, 255) comes back as (252, 248, 248).
void UnpackFrame(const uint16_t* frame, int32_t pixelCount, uint8_t* rgba);

struct VideoFrames {
    const char* nameFormat = nullptr;  // short name of frame n, e.g. "Video\\EH\\EH%03d.jpg"
    int32_t frameCount = 0;            // length of the table: numbers 0..frameCount - 1
    uint16_t** frames = nullptr;       // null until loaded
    int32_t width = 0, height = 0, pixelCount = 0;  // every frame has the first one's size
    uint8_t* rgba = nullptr;           // one frame's conversion buffer, pixelCount x 4 bytes
};

enum : int { kFramesLoaded = 0, kFrameNotDecoded = 1, kFrameNoMemory = 2 };

// Loads frames first..last (inclusive, within the table) of the video: each file is read
// from the file store in number order on the calling thread, then the pictures are
// decoded and packed on up to `threads` threads (the caller's among them). The frames and
// the video's size come out the same for any thread count; no random numbers are drawn.
// The first frame the video ever loads fixes its size; a frame of another size counts as
// not decoded. Returns kFramesLoaded, or the failure of the lowest-numbered frame that
// failed (its number in *failedFrame). Main thread only.
int LoadVideoFrames(VideoFrames& video, int first, int last, int threads, int* failedFrame);

// Reads frames first..last of the video from the file store now, in number order (main
// thread), and starts decoding and packing them on threads - 1 background threads (at
// least one), so that the decoding overlaps the loading work that comes before the
// video's batches. LoadVideoFrames then takes the frames of a batch from here, helping
// with those not yet decoded, and gives exactly what it gives without this: the same
// frames, sizes and failures. Reading stops at the first missing file; batches from there
// on are loaded as usual. Once per video.
void PrefetchVideoFrames(VideoFrames& video, int first, int last, int threads);

// The threads the section loaders decode on: the machine's cores unless set (at least 1).
int VideoDecodeThreads();
void SetVideoDecodeThreads(int threads);  // 0 goes back to the machine's cores

// EH frame shown at `now` by a cut that began at `start` with frame `first` (25 a second).
int EhFrameAt(int first, float start, float now);
// War frame at `seconds` of the TV section: 15 a second, looping every 361 frames.
int WarFrameAt(float seconds);
