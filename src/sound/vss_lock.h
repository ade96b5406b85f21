// vss_lock.h -- the one lock between the thread that mixes and every other thread.
//
// The mixer and the player run on whichever thread calls VSS_Mix: the streaming thread
// (an audio device), the render window's thread (the "No Sound" timer) or the capture's
// frame hook. They own the voices, the channels, the play position and the mixer's
// settings. A request from any other thread that touches them is handed over through this
// lock: VSS_Mix holds it for the whole call, and VSS_Play, VSS_Stop, VSS_SetPosition,
// VSS_PlaySample, the filter switches, VSS_FreeModule and the freeing of the tables in
// VSS_Kill take it for their few writes. A request therefore lands between two mix calls,
// never inside one:
//   - a sample started by VSS_PlaySample is first heard in the next tick block the mixer
//     renders (see HandOver.BeepStartsAtTheNextTickBlock);
//   - a position set by VSS_SetPosition is taken at the player's next row step (see
//     HandOver.PositionIsTakenAtTheNextRow).
// The show's synchronisation values (the module's current order and row, VssState) stay
// relaxed 32-bit atomics that any thread reads without the lock.
//
// The player calls some of the same operations from inside the mix (a jump at the end of
// the song, the filter and echo effects); that thread already holds the lock and a
// VssLock made there does not take it again.
//
// The lock is a std::mutex, the same on every platform. It is held for one mix call at
// most (a device request of a few milliseconds of sound), so a request from the main
// thread waits at most that long.
#pragma once

class VssLock {
public:
    VssLock();   // takes the lock unless this thread holds it already
    ~VssLock();
    VssLock(const VssLock&) = delete;
    VssLock& operator=(const VssLock&) = delete;

private:
    bool taken_;
};
