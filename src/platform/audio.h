// audio.h -- the audio-output contract: the list of output devices, and the ring a device
// plays from.
//
// An open output is an AudioRing: a looping buffer of segment count x segment size bytes
// that the device plays from offset 0 on, over and over, while one streaming thread
// refills the part the play cursor has just left. Each back-end supplies its own ring:
// on Windows it is the DirectSound secondary buffer itself, elsewhere a MemoryRing that
// the system's audio callback reads. The sound system's streaming thread is the same
// code for both.
//
// A back-end provides:
//   ListAudioOutputs   the output devices, in the system's order
//   OpenAudioRing      a device opened for one format and latency, its ring filled with
//                      silence; it does not play yet
//
// The shared pieces (audio_ring.cpp): the ring's layout from rate, format and latency,
// the refill step behind the play cursor, and the MemoryRing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

struct AudioOutputInfo {
    std::string name;        // the device's description, as the system gives it
    std::string id;          // the back-end's key for opening it; empty for the default device
    bool isDefault = false;  // the system's default device; it is opened by role, not by key
};

// Any thread. False when the system has no audio service at all; an empty list with a true
// result means the service runs but no output device works.
bool ListAudioOutputs(std::vector<AudioOutputInfo>* outputs, std::string* error);

struct AudioFormat {
    int rate = 44100;  // frames per second
    int bits = 16;     // 8 (unsigned) or 16 (signed, little-endian)
    int channels = 2;  // 1 or 2; stereo frames are left first
    int BytesPerFrame() const { return bits / 8 * channels; }
    uint8_t SilenceByte() const { return bits == 8 ? 0x80 : 0x00; }
};

// ---------------------------------------------------------------- ring arithmetic

struct AudioRingLayout {
    int32_t bytesPerSecond = 0;
    int32_t segmentCount = 0;  // latency / 100 ms, 2..16
    int32_t segmentSize = 0;   // bytes, a multiple of 8
    int32_t totalSize = 0;     // segmentCount * segmentSize
    float duration = 0.0f;     // seconds of sound the ring holds
};

// rate 1024..100000, 8 or 16 bits, 1 or 2 channels, latency 200..10000 ms (the caller
// checks the ranges).
AudioRingLayout ComputeAudioRingLayout(const AudioFormat& format, int32_t latencyMs);

struct AudioRange {
    int32_t offset;
    int32_t bytes;
};

// The bytes from the write cursor up to the play cursor (rounded down to 8), going round
// the end of the ring when the play cursor has wrapped; 0 when they are equal.
int32_t RingRefillBytes(int32_t writeCursor, int32_t playCursor, int32_t totalSize);
// `bytes` from `offset` on, cut at the end of the ring: one range, or two when it wraps
// (the second from offset 0). Returns the number of ranges.
int SplitRingRange(int32_t offset, int32_t bytes, int32_t totalSize, AudioRange ranges[2]);

// ---------------------------------------------------------------- the ring

// A locked part of the ring; `bytes` is null for an unused second region.
struct AudioRegion {
    uint8_t* bytes = nullptr;
    int32_t size = 0;
};

enum class AudioWake {
    Segment,  // the play cursor reached a segment boundary
    Timeout,  // nothing within the time-out
    Stopped,  // the ring was stopped: the streaming thread ends
    Failed,   // the wait itself failed: the streaming thread ends
    Invalid,  // the system answered something no wait should answer
};

// Called by the device side with the frames the device has taken to play since the last
// call, at the moment it took them (the sound system's clock of heard frames).
using AudioTakenHook = void (*)(int32_t frames);

class AudioRing {
public:
    virtual ~AudioRing() = default;
    const AudioRingLayout& Layout() const { return layout; }
    const AudioFormat& Format() const { return format; }
    // A short name of the kind of ring, for the figures ("DirectSound", "memory").
    virtual const char* Kind() const = 0;

    // Main thread. Start plays the ring looping from offset 0. Stop ends the playing and
    // wakes the streaming thread with Stopped; the device reads no byte of the ring after
    // it returns. Both false with the system's text in *error.
    virtual bool Start(std::string* error) = 0;
    virtual bool Stop(std::string* error) = 0;

    // Streaming thread.
    virtual AudioWake WaitSegment(uint32_t timeoutMs) = 0;
    // The byte offset the device plays now (not rounded).
    virtual bool GetPlayCursor(int32_t* offset) = 0;
    // `bytes` from `offset` on, as one region or two when the range wraps.
    virtual bool Lock(int32_t offset, int32_t bytes, AudioRegion regions[2]) = 0;
    virtual bool Unlock(const AudioRegion regions[2]) = 0;

protected:
    AudioRing(const AudioFormat& f, int32_t latencyMs) : format(f), layout(ComputeAudioRingLayout(f, latencyMs)) {}
    AudioFormat format;
    AudioRingLayout layout;
};

// Main thread. `window` is the render window the output belongs to (null before it
// exists); `deviceId` is an AudioOutputInfo's id, empty for the default device. Null with
// the system's text in *error on failure.
std::unique_ptr<AudioRing> OpenAudioRing(Window* window, const std::string& deviceId, const AudioFormat& format,
                                         int32_t latencyMs, AudioTakenHook taken, std::string* error);

// ---------------------------------------------------------------- the refill step

enum class RefillResult { Nothing, Written, LockFailed, UnlockFailed };
using AudioFill = void (*)(void* user, uint8_t* bytes, int32_t count);

// Refills the part of the ring the play cursor has left since *writeCursor: locks it,
// fills each region in order, unlocks, and moves *writeCursor to the play cursor rounded
// down to 8. Nothing is locked when the cursor has not moved; on a failure *writeCursor
// stays where it was.
RefillResult RefillRing(AudioRing& ring, int32_t playCursor, int32_t* writeCursor, AudioFill fill, void* user);

// ---------------------------------------------------------------- a ring in memory

// The ring of a device that asks for its bytes from a thread of its own: the device side
// calls Consume, which copies from the play cursor on, moves it, wakes the streaming
// thread at each segment boundary and reports the frames taken. The device back-end
// derives from it for Start and Stop, and calls StopWaiting once the device has stopped.
class MemoryRing : public AudioRing {
public:
    MemoryRing(const AudioFormat& format, int32_t latencyMs, AudioTakenHook taken);
    const char* Kind() const override { return "memory"; }

    AudioWake WaitSegment(uint32_t timeoutMs) override;
    bool GetPlayCursor(int32_t* offset) override;
    bool Lock(int32_t offset, int32_t bytes, AudioRegion regions[2]) override;
    bool Unlock(const AudioRegion regions[2]) override;

    // Device side: `count` bytes (a whole number of frames) from the play cursor on.
    void Consume(uint8_t* destination, int32_t count);

protected:
    void StopWaiting();

private:
    std::vector<uint8_t> bytes;
    std::atomic<int32_t> playCursor{0};
    // Counts the unlocks; the device side's acquire of it makes the mixed bytes visible.
    std::atomic<uint32_t> published{0};
    std::atomic<bool> stopped{false};
    AudioTakenHook taken;
    Signal segment;
};

}  // namespace platform
