// sound_internal.h -- what the sound system's units share among themselves: the mixer's
// settings and tables, the current module, and the entries between loader, player,
// mixer and output. Nothing outside src/sound includes it (tests and tools do, to reach
// the pure parts without a device).
#pragma once

#include <cstdint>
#include <vector>

#include "sound/vss.h"

struct VssMixer {
    // Pre-initialisation values; VSS_PreInit clamps them.
    int32_t releaseTicks = 300;
    int32_t latencyMs = 1000;
    int32_t echoShift = 1;
    int32_t historySamples = 0;

    // Set by the mixer set-up.
    int32_t format = 0;
    int32_t channelOrder = 1;  // stereo: left output from the second accumulator value
    int32_t rate = 0;
    int32_t voices = 0;
    uint32_t reciprocal = 0;   // 2^32 / rate
    bool ready = false;

    int32_t samplesPerTick = 0;
    int32_t readPosition = 0;
    int32_t* block = nullptr;  // the current tick block inside the ring

    int32_t lowPassCutoff = 1000, highPassCutoff = 1000;
    int32_t lowA = 1, lowB = 1, highA = 1, highB = 1;
    int32_t lowY[2] = {0, 0};
    int32_t highY[2] = {0, 0}, highX[2] = {0, 0};

    // Tables (built from the shared generator at set-up).
    std::vector<int32_t> volumeTable;   // 256 x 512
    std::vector<int32_t> waveforms;     // 4 x 256
    std::vector<int32_t> randomRing;    // 1024
    uint32_t randomIndex = 0;
    std::vector<int32_t> pitchTable;    // 257 x 65
    std::vector<int32_t> slideTable;    // 512
    std::vector<int32_t> portaTable;    // 512
    std::vector<int32_t> cutoffTable;   // 32
    std::vector<int32_t> arpeggioTable; // 16
    std::vector<int32_t> ring;          // 131072 bytes of accumulator blocks

    VssModule* module = nullptr;        // the module being played
    int32_t loopCount = 0;
};

extern VssMixer vssMixer;

constexpr int32_t kVssRingBytes = 131072;
constexpr uint32_t kVssMaxModuleBytes = 64u << 20;  // samples, patterns and envelopes of one module

// Mixer set-up (VSS_Init): 1 on success, 0 with code 1.
int VssMixerSetup(int format, int channelOrder, int rate, int voices);
void VssMixerFree();
int32_t VssSamplesPerTick(int32_t rate, int32_t tempo);
// Filter coefficients for a cutoff at the mixing rate (the cutoff is limited to 10..44100 Hz).
void VssFilterCoefficients(int32_t cutoffHz, int32_t rate, int32_t* a, int32_t* b);
// Frees a voice; a channel still pointing at it keeps its volume and pan.
void VssReleaseVoice(VssVoice* voice);
// First free voice, else the quietest background voice below 256, else voice 1.
VssVoice* VssChooseVoice(VssModule* module);
int32_t VssNextRandom();
// One tick of the voice update (envelopes, vibrato, frequency, fade, volume, pan, gains).
void VssUpdateVoice(VssVoice* voice, VssModule* module);
// Mixes n samples of one voice into the accumulator block, following its loop.
void VssMixVoice(VssVoice* voice, int32_t* block, int32_t n, bool stereo);
// Renders one tick into the ring (player tick, voice update, mixing, filters).
void VssRenderTick();

// The player's tick entry: the mixer calls it once per tick before mixing.
void VssPlayerTick(VssModule* module);
void VssResetModule(VssModule* module);

// Output devices.
int VssTimerStart(platform::Window* window);
int VssTimerStop();
// Called by the timer on the window's thread; exposed so that its arithmetic can be run
// without a window.
int32_t VssTimerElapsedMs(int64_t previous, int64_t now, int64_t frequency);
// The stream on an output device: `deviceId` is the device list's key (null for the
// default device); the window is the one DirectSound cooperates with.
int VssStreamStart(platform::Window* window, const char* deviceId, int rate, int format, int latencyMs);
int VssStreamStop();
int VssCaptureStart(const char* directory, int rate, int format, int fps);
int VssCaptureStop();

// The message boxes: the error box returns, the fatal box ends the process with code 1.
void VssErrorBox(const char* format, ...);
[[noreturn]] void VssFatalBox(const char* format, ...);
