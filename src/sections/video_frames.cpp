// video_frames.cpp -- loading the video frames, their 16-bit form and the frame clock.
//
// Decoding is the longest part of loading, and each frame's decode is independent of every
// other: the file store is read on the calling thread (its open-file list has no lock),
// then a few threads take frames by number from a shared counter, decode and pack them;
// the codecs' log is their only shared state and takes whole texts from any thread. The
// results are looked at in number order afterwards, so sizes and failures come out as a
// one-by-one loader would give them. (With the decoder's traces switched on, the traces
// of different frames may interleave.)
#include "sections/video_frames.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "codecs/image.h"
#include "codecs/jpeg.h"
#include "filestore/filestore.h"

namespace {
int decodeThreads = 0;  // 0: the machine's cores

// One frame on its way from the file store into the table.
struct PendingFrame {
    FileBuffer* file = nullptr;
    uint16_t* pixels = nullptr;
    int32_t width = 0, height = 0;
    int result = kFramesLoaded;
};

// The file's bytes, as the picture loaders read "Files\" + short name; null when absent.
FileBuffer* ReadFrameFile(const char* format, int number) {
    char shortName[240], name[256];
    std::snprintf(shortName, sizeof shortName, format, number);
    std::snprintf(name, sizeof name, "Files\\%s", shortName);
    uint32_t size = 0;
    const uint8_t* data = OpenEmbeddedFileSized(name, &size);
    if (!data) return nullptr;
    FileBuffer* buffer = size > 0 && size <= INT32_MAX ? CreateFileBuffer(static_cast<int32_t>(size)) : nullptr;
    if (buffer) std::memcpy(buffer->data, data, size);
    CloseEmbeddedFile(data);
    return buffer;
}

void DecodeAndPack(PendingFrame& frame) {
    RgbImage* picture = nullptr;
    const int decoded = DecodeJpeg(*frame.file, picture);
    DestroyFileBuffer(frame.file);
    frame.file = nullptr;
    if (!decoded || !picture) {
        frame.result = kFrameNotDecoded;
        return;
    }
    frame.width = picture->width;
    frame.height = picture->height;
    const size_t count = static_cast<size_t>(picture->width) * static_cast<size_t>(picture->height);
    frame.pixels = static_cast<uint16_t*>(std::malloc(count * sizeof(uint16_t)));
    if (!frame.pixels) {
        frame.result = kFrameNoMemory;
    } else {
        const uint8_t* p = picture->pixels;
        for (size_t i = 0; i < count; ++i, p += 3) frame.pixels[i] = PackFramePixel(p[0], p[1], p[2]);
    }
    DestroyRgbImage(picture);
}

// Frames read ahead of their batches and decoded in the background. Workers and the main
// thread take frames by number from `next`; `done[i]` is released once frame i is packed.
// The record is freed when its last frame is handed to a batch; an early end of the
// program (Escape or an error while loading) stops the workers at their next frame and
// waits for them, so nothing they use is torn down under them at exit.
struct Prefetch {
    const VideoFrames* video = nullptr;
    int first = 0, readable = 0;
    std::vector<PendingFrame> pending;
    std::unique_ptr<std::atomic<bool>[]> done, taken;
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    int frames = 0;  // handed to batches so far

    void DecodeNext(int limit) {
        for (int i = next.load(std::memory_order_relaxed); i < limit;) {
            if (next.compare_exchange_weak(i, i + 1, std::memory_order_relaxed)) {
                DecodeAndPack(pending[i]);
                done[i].store(true, std::memory_order_release);
                i = next.load(std::memory_order_relaxed);
            }
        }
    }
};
std::vector<Prefetch*> prefetches;

void StopPrefetches() {
    for (Prefetch* p : prefetches) {
        p->next.store(p->readable, std::memory_order_relaxed);
        for (std::thread& t : p->workers) t.join();
        p->workers.clear();
    }
}

// A worker the system will not start is no failure: whatever the started ones leave over is
// decoded by the thread that asks for the frames.
template <typename Work>
void StartWorkers(std::vector<std::thread>& pool, int count, Work work) {
    for (int h = 0; h < count; ++h) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
}

int CommitFrames(VideoFrames& video, int first, std::vector<PendingFrame>& pending, int* failedFrame);

Prefetch* PrefetchFor(const VideoFrames& video, int first, int last) {
    for (Prefetch* p : prefetches) {
        if (p->video != &video || first < p->first || last >= p->first + p->readable) continue;
        for (int i = first - p->first; i <= last - p->first; ++i)
            if (p->taken[i].load(std::memory_order_relaxed)) return nullptr;
        return p;
    }
    return nullptr;
}
}  // namespace

void PrefetchVideoFrames(VideoFrames& video, int first, int last, int threads) {
    const int count = last - first + 1;
    if (count <= 0) return;
    auto* p = new Prefetch;
    p->video = &video;
    p->first = first;
    p->pending.resize(static_cast<size_t>(count));
    p->done.reset(new std::atomic<bool>[count]);
    p->taken.reset(new std::atomic<bool>[count]);
    p->readable = count;
    for (int i = 0; i < count; ++i) {
        p->done[i].store(false, std::memory_order_relaxed);
        p->taken[i].store(false, std::memory_order_relaxed);
        if (p->readable == count && !(p->pending[i].file = ReadFrameFile(video.nameFormat, first + i))) p->readable = i;
    }
    static const bool stopAtExit = std::atexit(StopPrefetches) == 0;
    (void)stopAtExit;
    prefetches.push_back(p);
    StartWorkers(p->workers, std::max(threads - 1, 1), [p] { p->DecodeNext(p->readable); });
}

void UnpackFrame(const uint16_t* frame, int32_t pixelCount, uint8_t* rgba) {
    for (int32_t i = 0; i < pixelCount; ++i, rgba += 4) {
        const uint16_t v = frame[i];
        rgba[0] = static_cast<uint8_t>((v & 63) << 2);
        rgba[1] = static_cast<uint8_t>(((v >> 6) & 31) << 3);
        rgba[2] = static_cast<uint8_t>(((v >> 11) & 31) << 3);
        rgba[3] = 255;
    }
}

int VideoDecodeThreads() {
    if (decodeThreads > 0) return decodeThreads;
    return std::max(1u, std::thread::hardware_concurrency());
}

void SetVideoDecodeThreads(int threads) { decodeThreads = std::max(0, threads); }

int LoadVideoFrames(VideoFrames& video, int first, int last, int threads, int* failedFrame) {
    const int count = last - first + 1;
    if (count <= 0) return kFramesLoaded;
    std::vector<PendingFrame> pending(static_cast<size_t>(count));

    if (Prefetch* p = PrefetchFor(video, first, last)) {
        // Decoded ahead: help with what is left of the batch, wait for the rest.
        const int from = first - p->first, to = last - p->first;
        p->DecodeNext(to + 1);
        for (int i = from; i <= to; ++i) {
            while (!p->done[i].load(std::memory_order_acquire)) std::this_thread::yield();
            p->taken[i].store(true, std::memory_order_relaxed);
            pending[i - from] = p->pending[i];
        }
        p->frames += count;
        if (p->frames == p->readable) {
            // Every frame handed out: the workers have finished.
            for (std::thread& t : p->workers) t.join();
            prefetches.erase(std::find(prefetches.begin(), prefetches.end(), p));
            delete p;
        }
        return CommitFrames(video, first, pending, failedFrame);
    }

    // The file store is read here, in number order; a missing file stops the batch, as a
    // one-by-one loader would stop at it.
    int readable = count;
    for (int i = 0; i < count; ++i) {
        pending[i].file = ReadFrameFile(video.nameFormat, first + i);
        if (!pending[i].file) {
            pending[i].result = kFrameNotDecoded;
            readable = i;
            break;
        }
    }

    std::atomic<int> next{0};
    auto work = [&] {
        for (int i; (i = next.fetch_add(1, std::memory_order_relaxed)) < readable;) DecodeAndPack(pending[i]);
    };
    const int helpers = std::min(std::max(threads, 1), readable) - 1;
    std::vector<std::thread> pool;
    pool.reserve(static_cast<size_t>(std::max(helpers, 0)));
    StartWorkers(pool, helpers, work);
    work();
    for (std::thread& t : pool) t.join();
    return CommitFrames(video, first, pending, failedFrame);
}

namespace {
// Into the table in number order; the first failure is the one reported, and what
// follows it is released.
int CommitFrames(VideoFrames& video, int first, std::vector<PendingFrame>& pending, int* failedFrame) {
    const int count = static_cast<int>(pending.size());
    int result = kFramesLoaded;
    for (int i = 0; i < count; ++i) {
        PendingFrame& frame = pending[i];
        if (result == kFramesLoaded && frame.result == kFramesLoaded && video.pixelCount > 0 &&
            (frame.width != video.width || frame.height != video.height))
            frame.result = kFrameNotDecoded;  // a frame of another size cannot share the buffer
        if (result == kFramesLoaded && frame.result != kFramesLoaded) {
            result = frame.result;
            if (failedFrame) *failedFrame = first + i;
        }
        if (result != kFramesLoaded) {
            std::free(frame.pixels);
            DestroyFileBuffer(frame.file);
            continue;
        }
        video.width = frame.width;
        video.height = frame.height;
        video.pixelCount = frame.width * frame.height;
        std::free(video.frames[first + i]);
        video.frames[first + i] = frame.pixels;
    }
    return result;
}
}  // namespace

int EhFrameAt(int first, float start, float now) {
    return first + static_cast<int>(static_cast<double>(now - start) * 25.0);
}

int WarFrameAt(float seconds) {
    const int frame = static_cast<int>(15.0 * static_cast<double>(seconds)) % 361;
    return frame < 0 ? frame + 361 : frame;
}
