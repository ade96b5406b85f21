// vss.h -- the Vorn Sound System: one Impulse Tracker module at a time, played by its own
// mixer through an audio device, the silent timer device or the capture sink. Plain
// functions over one global state; every operation returns 1 (or a pointer) on success
// and 0 (or null) on failure, with a code in VSS_LastError. Main thread unless noted.
//
// Threads: the mixer and the player run on the thread that calls VSS_Mix. Every call below
// that touches voices, channels, the play position or the mixer's settings (VSS_Play,
// VSS_Stop, VSS_SetPosition, VSS_PlaySample, the filter switches, VSS_FreeModule) is
// handed to that thread through one lock and lands between two mix calls: a sample starts
// in the next tick block mixed, a position is taken at the next row. The module's current
// order and row and VssState are relaxed atomics, read anywhere without the lock. The
// rules in full are in vss_lock.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/vss_records.h"

namespace platform {
struct Window;
}

// Output formats: bit 0 means 16-bit, bit 1 means stereo.
enum VssFormat : int32_t { kVss8BitMono = 0, kVss16BitMono = 1, kVss8BitStereo = 2, kVss16BitStereo = 3 };
extern const char* const VSS_FormatNames[4];

// VssState bits.
enum : int32_t {
    kVssPlaying = 1,
    kVssEcho = 2,
    kVssLowPass = 4,
    kVssHighPass = 8,
    kVssRestartByJump = 16,
};

extern std::atomic<int32_t> VSS_LastError;
extern std::atomic<int32_t> VssState;
extern const char* const VSS_ErrorText[64];
const char* VSS_GetErrorText(int32_t code);  // "" for codes without a text or outside 0..63

// Codes this system raises beyond the classic table.
enum : int32_t {
    kVssErrorDamagedModule = 22,  // a count, offset or length points outside the file
};

int VSS_EnumDevices();                        // 1 on success; entry 0 is always "No Sound"
int VSS_GetNumDevices();                      // -1 before VSS_EnumDevices
const char* VSS_GetDeviceName(int index);     // error 32's text when index is out of range
int VSS_HasOutputDevices();                   // 1 when a device beside "No Sound" exists
int VSS_SetDevice(int index);                 // 1 when 0 <= index < count; no code on failure
int VSS_PreInit(int releaseTicks, int latencyMs, int echoShift, int historySamples);  // always 1; clamps
int VSS_Init(platform::Window* window, int format, int rateHz, int voices);  // 1 on success
VssModule* VSS_LoadIT(const void* fileBytes, size_t fileSize, int resampleBelowRate);  // null on failure
void VSS_Play(VssModule* module);             // from order 0, row 0
void VSS_Stop();
int VSS_Kill();                               // 1 when VSS_LastError is 0 afterwards
void VSS_FreeModule(VssModule* module);       // the module must not be playing

int VSS_SetPosition(int order, int row);      // 1 on success, code 5 otherwise
void VSS_EchoOn();
void VSS_EchoOff();
void VSS_LowPassOn(int cutoffHz);
void VSS_LowPassOff();
void VSS_HighPassOn(int cutoffHz);
void VSS_HighPassOff();
int VSS_PlaySample(const void* data, int bits, int lengthBytes, int rateHz, int volume, int pan);  // voice number or 0

// With an audio device the module's currentOrder and currentRow follow the position
// being heard (1, the default) or the position being mixed, a buffer length ahead (0).
// Without one (No Sound, capture) the two are the same.
void VSS_FollowHeard(int on);                 // any time
void VSS_NoteFrameHandedOver();               // a picture drawn from the published position goes to the screen
void VSS_NoteFrameShown();                    // any thread: that picture is shown; its lead is noted
void VSS_TakePictureLeads(std::vector<float>* ms);  // the leads noted so far (pictures over sound, ms)

// Output thread (or the timer's thread): exactly byteCount bytes of output in the current
// format, silence while nothing plays.
void VSS_Mix(int byteCount, void* destination);
