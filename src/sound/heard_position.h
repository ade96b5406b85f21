// heard_position.h -- the music position being heard, as opposed to the one being mixed.
//
// The streaming thread mixes a whole ring ahead of the loudspeaker, so the player's
// order and row run 200..1000 ms (the buffer length) ahead of what is heard. The mixer
// notes where every tick begins in the stream of output frames, with the tick's order
// and row; the device side counts the frames it has taken. The frame being heard now is
// the frames taken, less the ring's silent first lap, less the device's own buffer, plus
// the real time since that buffer was handed over (at most one buffer). The module's
// `currentOrder` and `currentRow`, which the show reads, are published from that: the
// newest tick that starts at or before the heard frame.
//
// With "No Sound", in capture mode and without a device (tests), every tick is published
// the moment it is played: heard and mixed are the same. VSS_FollowHeard(0) publishes the
// mixed position with a device too.
//
// Not handled: a device that under-runs (the streaming thread falling a whole lap
// behind) shifts the estimate by the lost lap.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "sound/vss_records.h"

// Where ticks begin in output frames, with their position: the newest 512, enough for
// several seconds at any tempo. Written and read by the mixing thread only.
class VssTickHistory {
public:
    void Clear() { count = 0; }
    void Add(int64_t startFrame, int32_t order, int32_t row);
    // The newest tick that starts at or before `frame`; false when none does.
    bool Find(int64_t frame, int32_t* order, int32_t* row, int64_t* startFrame) const;

private:
    struct Mark {
        int64_t startFrame;
        int32_t order, row;
    };
    static constexpr int kSize = 512;
    Mark marks[kSize];
    int64_t count = 0;  // marks added since Clear
};

// The device's consumption and the arithmetic of the heard frame. The device side calls
// Took from its own thread; any thread calls HeardFrame. A sequence counter keeps the
// three values one consistent set without a lock.
class VssHeardClock {
public:
    // rate in frames per second; ringFrames: the silent first lap the device plays before
    // the first mixed frame.
    void Reset(int32_t rate, int64_t ringFrames);
    // The device took `frames` frames at real time `nowNs`; they start playing after what
    // it already holds, one buffer of the same size.
    void Took(int32_t frames, uint64_t nowNs);
    // The mixed frame being heard at `nowNs`; negative while the silent first lap (or
    // nothing at all) is heard.
    int64_t HeardFrame(uint64_t nowNs) const;

private:
    std::atomic<uint32_t> sequence{0};
    std::atomic<int64_t> taken{0};          // frames the device has taken in all
    std::atomic<uint64_t> tookAt{0};        // real nanoseconds of the last hand-over
    std::atomic<int32_t> deviceFrames{0};   // the size of that hand-over
    std::atomic<int32_t> rate{0};
    std::atomic<int64_t> ringFrames{0};
};

// The sound system's own hooks (mixing thread unless noted).
void VssHeardTickStartsAt(int32_t frameInCall);  // the next tick begins this many frames into the mix call
void VssHeardTick(VssModule* module);            // the player has stepped: note (and maybe publish) its position
void VssHeardMixed(int32_t frames);              // a mix call produced this many frames
void VssHeardStreamStart(int32_t rate, int64_t ringFrames);  // main thread, before the device starts
void VssHeardStreamStop();                        // main thread, after the device and the thread stopped
void VssHeardDeviceTook(int32_t frames);          // device thread
void VssHeardPublish();                           // streaming thread, often: publish the heard position
