// output.cpp -- the three ways the mixer's bytes leave the sound system:
//   the stream   an audio device plays a ring of segment count x segment size bytes
//                (the back-end's own: DirectSound's buffer, or one in memory); reaching
//                a segment boundary wakes the streaming thread, which refills exactly
//                the part of the ring the play cursor has left, so what it mixes is
//                heard one whole ring later;
//   the timer    "No Sound": a 100 ms window timer mixes the elapsed whole milliseconds at
//                1000 Hz, so the music advances in real time without any sound;
//   the capture  once per captured frame exactly that frame's share of rate/fps frames is
//                mixed and appended to a WAV file beside the frames, and the music
//                position the frame was drawn at goes to timeline.txt; a capture into a
//                video hands the same audio to the platform's video instead.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "platform/audio.h"
#include "platform/platform.h"
#include "sound/heard_position.h"
#include "sound/sound_internal.h"

namespace {

// ---------------------------------------------------------------- stream

struct Stream {
    std::unique_ptr<platform::AudioRing> ring;
    std::thread thread;
    int32_t writeCursor = 0;  // streaming thread only, after the start
    // Figures for --verbose, read after the thread has ended.
    int64_t wakeUps = 0;
    int64_t notifications = 0;
    uint64_t startedNs = 0;
};

Stream* stream = nullptr;

void DeviceTook(int32_t frames) { VssHeardDeviceTook(frames); }

void MixInto(void*, uint8_t* bytes, int32_t count) { VSS_Mix(count, bytes); }

void StreamingThread(Stream* s) {
    platform::AudioRing& ring = *s->ring;
    int idle = 0;
    for (;;) {
        // Besides the segment boundaries the thread wakes every 2 ms to publish the heard
        // position; after a second without a boundary it refills anyway, so a lost
        // notification cannot stall the music.
        const platform::AudioWake wake = ring.WaitSegment(2);
        if (wake == platform::AudioWake::Stopped || wake == platform::AudioWake::Failed) return;
        if (wake == platform::AudioWake::Invalid) VssFatalBox("VSS error - invalid event");
        s->wakeUps += 1;
        if (wake == platform::AudioWake::Segment) s->notifications += 1;
        int32_t play = 0;
        if (!ring.GetPlayCursor(&play)) VssFatalBox("VSS error - GetCurrentPosition failed");
        VssHeardPublish();
        if (wake != platform::AudioWake::Segment && ++idle < 500) continue;
        idle = 0;
        switch (platform::RefillRing(ring, play, &s->writeCursor, MixInto, nullptr)) {
        case platform::RefillResult::LockFailed: VssFatalBox("VSS error - Lock() failed");
        case platform::RefillResult::UnlockFailed: VssFatalBox("VSS error - Unlock() failed");
        case platform::RefillResult::Nothing:
        case platform::RefillResult::Written: break;
        }
    }
}

// ---------------------------------------------------------------- timer

constexpr uint32_t kTimerId = 12345678;

struct Timer {
    platform::Window* window = nullptr;
    int64_t previous = 0;
    uint8_t scratch[5000];
};

Timer timer;

void TimerProc(platform::Window*, uint32_t) {
    int64_t now = 0;
    const int64_t frequency = platform::CounterFrequency();
    if (!platform::QueryCounter(&now) || frequency <= 0) VssFatalBox("VSS error - QueryPerformanceCounter() failed");
    VSS_Mix(VssTimerElapsedMs(timer.previous, now, frequency), timer.scratch);
    timer.previous = now;
}

// ---------------------------------------------------------------- capture

struct Capture {
    bool video = false;        // the audio goes to the platform's video instead of a WAV
    FILE* file = nullptr;
    FILE* timeline = nullptr;  // one line a frame: frame, order, row, playing
    std::string path, timelinePath;
    int32_t rate = 0;
    int32_t fps = 30;
    int32_t bytesPerFrame = 1;
    int32_t channels = 1;
    int32_t bits = 8;
    uint64_t frames = 0;       // video frames so far
    uint32_t dataBytes = 0;
    std::vector<uint8_t> buffer;
};

Capture capture;

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool WriteWavHeader(FILE* f, int32_t rate, int32_t channels, int32_t bits, uint32_t dataBytes) {
    uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0};
    Put32(h + 4, 36 + dataBytes);
    h[22] = static_cast<uint8_t>(channels);
    Put32(h + 24, static_cast<uint32_t>(rate));
    const int32_t align = channels * bits / 8;
    Put32(h + 28, static_cast<uint32_t>(rate * align));
    h[32] = static_cast<uint8_t>(align);
    h[34] = static_cast<uint8_t>(bits);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
    return std::fseek(f, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, f) == sizeof h;
}

// A capture write that fails ends the program through the fatal box, naming the file and
// the reason. The WAV is cut back to the frames its header already counts, so what was
// written before stays a valid file (see CaptureThatCannotWriteStopsAndKeepsWhatItWrote).
[[noreturn]] void CaptureFailed(Capture& c, const std::string& path, int error) {
    if (c.file) std::fclose(c.file);
    c.file = nullptr;
    std::error_code ignored;
    std::filesystem::resize_file(c.path, 44 + static_cast<uintmax_t>(c.dataBytes), ignored);
    VssFatalBox("VSS error - cannot write %s (%s)", path.c_str(), std::strerror(error));
}

// Appends audio to the WAV (keeping its header true after every frame, so an interrupted
// capture still plays) or hands it to the video.
void CaptureWrite(Capture& c, const uint8_t* bytes, size_t size) {
    if (c.video) {
        platform::WriteCaptureAudio(bytes, size);
        return;
    }
    // The samples reach the disk before the header counts them.
    errno = 0;
    if (std::fseek(c.file, 0, SEEK_END) != 0 || std::fwrite(bytes, 1, size, c.file) != size || std::fflush(c.file) != 0)
        CaptureFailed(c, c.path, errno);
    if (!WriteWavHeader(c.file, c.rate, c.channels, c.bits, c.dataBytes + static_cast<uint32_t>(size)) ||
        std::fflush(c.file) != 0)
        CaptureFailed(c, c.path, errno);
    c.dataBytes += static_cast<uint32_t>(size);
}

void CaptureHook(void*, uint64_t) {
    Capture& c = capture;
    if (!c.file && !c.video) return;
    // Frame i gets the frames between i*rate/fps and (i+1)*rate/fps, so the audio never
    // drifts from the pictures even when fps does not divide the rate.
    const uint64_t from = c.frames * static_cast<uint64_t>(c.rate) / static_cast<uint64_t>(c.fps);
    const uint64_t to = (c.frames + 1) * static_cast<uint64_t>(c.rate) / static_cast<uint64_t>(c.fps);
    c.frames += 1;
    const size_t bytes = static_cast<size_t>(to - from) * c.bytesPerFrame;
    if (c.timeline) {
        // Where the music stood while this frame was drawn.
        const VssModule* m = vssMixer.module;
        std::fprintf(c.timeline, "%llu %d %d %d\n", static_cast<unsigned long long>(c.frames - 1),
                     m ? m->currentOrder.load(std::memory_order_relaxed) : -1,
                     m ? m->currentRow.load(std::memory_order_relaxed) : -1, (VssState.load() & kVssPlaying) ? 1 : 0);
        if (std::fflush(c.timeline) != 0) CaptureFailed(c, c.timelinePath, errno);
    }
    c.buffer.resize(bytes);
    VSS_Mix(static_cast<int>(bytes), c.buffer.data());
    CaptureWrite(c, c.buffer.data(), bytes);
}

}  // namespace

int32_t VssTimerElapsedMs(int64_t previous, int64_t now, int64_t frequency) {
    if (frequency <= 0 || now <= previous) return 0;
    double ms = static_cast<double>(now - previous) / static_cast<double>(frequency) * 1000.0;
    // After a stall the music moves on by at most five seconds.
    return ms >= 5000.0 ? 5000 : static_cast<int32_t>(ms);
}

int VssStreamStart(platform::Window* window, const char* deviceId, int rate, int format, int latencyMs) {
    if (rate < 1024 || rate > 100000 || format < 0 || format > 3 || latencyMs < 200 || latencyMs > 10000) {
        VSS_LastError = 37;
        return 0;
    }
    platform::AudioFormat wanted;
    wanted.rate = rate;
    wanted.bits = (format & 1) ? 16 : 8;
    wanted.channels = (format & 2) ? 2 : 1;
    auto* s = new Stream;
    std::string error;
    s->ring = platform::OpenAudioRing(window, deviceId ? deviceId : "", wanted, latencyMs, DeviceTook, &error);
    if (!s->ring) {
        VssErrorBox("%s", error.c_str());
        delete s;
        return 0;
    }
    const platform::AudioRingLayout& layout = s->ring->Layout();
    // The device plays the ring's silent lap before the first mixed frame.
    VssHeardStreamStart(rate, layout.totalSize / wanted.BytesPerFrame());
    try {
        s->thread = std::thread(StreamingThread, s);
    } catch (...) {
        VssHeardStreamStop();
        VssErrorBox("CreateThread() failed");
        delete s;
        return 0;
    }
    // The whole ring starts silent, then plays.
    platform::AudioRegion regions[2];
    bool started = false;
    if (!s->ring->Lock(0, layout.totalSize, regions)) {
        VssErrorBox("Lock() failed");
    } else {
        if (regions[0].bytes) std::memset(regions[0].bytes, wanted.SilenceByte(), static_cast<size_t>(regions[0].size));
        if (!s->ring->Unlock(regions)) VssFatalBox("VSS error - Unlock() failed");
        s->startedNs = platform::RealNanoseconds();
        started = s->ring->Start(&error);
        if (!started) VssErrorBox("%s", error.c_str());
    }
    if (!started) {
        s->ring->Stop(&error);
        s->thread.join();
        VssHeardStreamStop();
        delete s;
        return 0;
    }
    stream = s;
    return 1;
}

int VssStreamStop() {
    Stream* s = stream;
    if (!s) return 1;
    stream = nullptr;
    int result = 1;
    std::string error;
    // Stopping the ring ends the device's reading and wakes the thread, which ends; it is
    // joined, so no mixing pass is left running when the ring and the tables are freed.
    if (!s->ring->Stop(&error)) {
        VssErrorBox("%s", error.c_str());
        VSS_LastError = 48;
        result = 0;
    }
    s->thread.join();
    VssHeardStreamStop();
    if (platform::GetOptions().verbose) {
        const platform::AudioRingLayout& l = s->ring->Layout();
        const double seconds = static_cast<double>(platform::RealNanoseconds() - s->startedNs) * 1e-9;
        std::printf("sound: %s ring of %d segments x %d bytes (%.3f s), %lld notifications, %.1f wake-ups a second\n",
                    s->ring->Kind(), l.segmentCount, l.segmentSize, static_cast<double>(l.duration),
                    static_cast<long long>(s->notifications),
                    seconds > 0 ? static_cast<double>(s->wakeUps) / seconds : 0.0);
        std::fflush(stdout);
    }
    // The ring goes last: on Windows its end releases the buffers and the device.
    delete s;
    return result;
}

int VssTimerStart(platform::Window* window) {
    // The timer's record is complete before the timer exists: its first call runs on the
    // window's thread, and setting the timer is what hands the record over.
    timer.window = window;
    if (!platform::QueryCounter(&timer.previous)) {
        VssErrorBox("QueryPerformanceCounter() failed");
        return 0;
    }
    if (!platform::SetWindowTimer(window, kTimerId, 100, TimerProc)) {
        VssErrorBox("SetTimer() failed");
        return 0;
    }
    return 1;
}

int VssTimerStop() {
    if (!platform::KillWindowTimer(timer.window, kTimerId)) {
        VssErrorBox("KillTimer() failed");
        return 0;
    }
    return 1;
}

int VssCaptureStart(const char* directory, int rate, int format, int fps) {
    Capture& c = capture;
    c.rate = rate;
    c.fps = fps > 0 ? fps : 30;
    c.channels = (format & 2) ? 2 : 1;
    c.bits = (format & 1) ? 16 : 8;
    c.bytesPerFrame = c.channels * c.bits / 8;
    c.frames = 0;
    c.dataBytes = 0;
    c.video = platform::CaptureIsVideo();
    if (c.video) {
        if (!platform::OpenCaptureAudio(c.rate, c.channels, c.bits)) {
            c.video = false;
            VssErrorBox("Could not start the video's audio");
            return 0;
        }
    } else {
        const std::string folder = directory && *directory ? directory : ".";
        c.path = folder + "/sound.wav";
        c.timelinePath = folder + "/timeline.txt";
        c.file = std::fopen(c.path.c_str(), "w+b");
        if (!c.file || !WriteWavHeader(c.file, c.rate, c.channels, c.bits, 0)) {
            VssErrorBox("Could not create %s", c.path.c_str());
            return 0;
        }
        // Binary: the same bytes (line feeds only) on every system.
        c.timeline = std::fopen(c.timelinePath.c_str(), "wb");
        if (!c.timeline) {
            VssErrorBox("Could not create %s", c.timelinePath.c_str());
            return 0;
        }
    }
    // Frames drawn before the sound system started get silence (and no music position),
    // so the sound stays in step with the pictures from the first frame.
    const uint64_t drawn = platform::CapturedFrameCount();
    const uint8_t silence = c.bits == 8 ? 0x80 : 0x00;
    for (; c.frames < drawn; ++c.frames) {
        const uint64_t from = c.frames * static_cast<uint64_t>(c.rate) / static_cast<uint64_t>(c.fps);
        const uint64_t to = (c.frames + 1) * static_cast<uint64_t>(c.rate) / static_cast<uint64_t>(c.fps);
        const std::vector<uint8_t> quiet(static_cast<size_t>(to - from) * c.bytesPerFrame, silence);
        CaptureWrite(c, quiet.data(), quiet.size());
        if (c.timeline) std::fprintf(c.timeline, "%llu -1 -1 0\n", static_cast<unsigned long long>(c.frames));
    }
    platform::SetCaptureFrameHook(CaptureHook, nullptr);
    return 1;
}

int VssCaptureStop() {
    platform::SetCaptureFrameHook(nullptr, nullptr);
    capture.video = false;
    if (capture.file) {
        std::fclose(capture.file);
        capture.file = nullptr;
    }
    if (capture.timeline) {
        std::fclose(capture.timeline);
        capture.timeline = nullptr;
    }
    return 1;
}
