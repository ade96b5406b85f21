// vss_records.h -- the records of a loaded module and of its playback: the module, its
// instruments and samples as the loader leaves them, and the channel and voice records
// the player and the mixer work in. Fields are 32-bit and keep the order the player and
// the mixer were written against.
#pragma once

#include <atomic>
#include <cstdint>

struct VssSample {
    int32_t globalVolume;     // 0..64
    int32_t defaultVolume;    // 0..64
    int32_t defaultPan;       // 0..64, bit 7 set when the pan is to be used
    int32_t flags;            // IT sample flags: 0x02 16-bit, 0x10 loop, 0x20 sustain loop, 0x40/0x80 ping-pong
    int32_t c5Speed;          // Hz
    int32_t length;           // samples
    void* data;               // signed 8- or 16-bit mono; null when length is 0
    int32_t loopBegin;
    int32_t loopEnd;
    int32_t sustainBegin;
    int32_t sustainEnd;
    int32_t vibratoSpeed;
    int32_t vibratoDepth;
    int32_t vibratoRate;
    int32_t vibratoWaveform;  // 0..3
    int32_t originalC5Speed;  // -1 unless the sample was resampled at load time
};

enum : int32_t {
    kVssSample16Bit = 0x02,
    kVssSampleLoop = 0x10,
    kVssSampleSustain = 0x20,
    kVssSamplePingPong = 0x40,
    kVssSampleSustainPingPong = 0x80,
};

// An envelope rendered to one value per tick: values[t] for t = 0..lastTick.
struct VssEnvelope {
    int32_t flags;            // bit 0 on, bit 1 loop, bit 2 sustain loop
    int32_t sustainBegin;     // ticks
    int32_t sustainEnd;
    int32_t loopBegin;
    int32_t loopEnd;
    int32_t lastTick;
    const int8_t* values;
};

struct VssKey {
    VssSample* sample;        // null when the note plays nothing
    int32_t frequency;        // Hz for this note
};

struct VssInstrument {
    int32_t globalVolume;     // 0..128
    int32_t randomVolume;     // 0..100
    int32_t fadeOut;
    int32_t defaultPan;       // bit 7 set: no default pan
    int32_t randomPan;
    int32_t pitchPanSeparation;
    int32_t pitchPanCentre;
    int32_t newNoteAction;    // 0..3
    int32_t dupCheckType;     // 0..3
    int32_t dupCheckAction;   // 0..2
    VssEnvelope envelopes[3]; // volume, pan, pitch
    VssKey keyboard[120];
};

enum { kVssEnvVolume = 0, kVssEnvPan = 1, kVssEnvPitch = 2 };

struct VssPattern {
    int32_t rows;
    const uint8_t* data;      // packed IT rows
    int32_t length;           // bytes of packed data; reads stop here
};

struct VssVoice;
struct VssModule;
struct VssChannel;

// A channel's operation for every tick of a row, chosen when the row is decoded.
using VssTickHandler = void (*)(VssModule*, VssChannel*, int32_t parameter);

struct VssChannel {
    VssVoice* voice;
    int32_t initialVolume;
    int32_t initialPan;
    int32_t volume;
    int32_t pan;
    int32_t lastMask;
    int32_t lastNote;
    int32_t lastInstrument;
    int32_t lastVolumeByte;
    int32_t lastEffect;
    int32_t lastParameter;
    int32_t savedVolume;
    int32_t savedPan;
    int32_t volumeCommand;
    int32_t volumeParameter;
    VssTickHandler volumeHandler;
    int32_t volumeSlideMemory;
    int32_t effect;
    int32_t effectParameter;
    VssTickHandler effectHandler;
    int32_t memoryD, memoryEF, memoryG, memoryH, memoryI, memoryJ, memoryN, memoryO, memoryP, memoryQ,
        memoryR, memoryS, memoryT, memoryW, memoryY;
    int32_t portaTarget;
    int32_t portaDirection;
    int32_t fineVibrato;
    uint8_t tremorPhase, tremorCounter;
    int32_t arpeggioStep;
    int32_t retriggerCounter;
    int32_t loopOrder, loopRow, loopCounter;
    int32_t noteCutCounter;
    int32_t delayedNote, delayedInstrument, delayedVolume, noteDelayCounter;
    int32_t panbrelloCounter;
    int32_t filterSelect;     // 0 low-pass, 1 high-pass
    int32_t vibratoSpeed, vibratoDepth, vibratoWaveform, vibratoPhase;
    int32_t tremoloSpeed, tremoloDepth, tremoloWaveform, tremoloPhase;
    int32_t panbrelloSpeed, panbrelloDepth, panbrelloWaveform, panbrelloPhase;
};

// A voice's envelope: the instrument's table and where the voice is in it.
struct VssVoiceEnvelope {
    int32_t flags;
    int32_t sustainBegin, sustainEnd, loopBegin, loopEnd, lastTick;
    int32_t tick;
    int32_t value;            // 256 while the envelope is not running
    const int8_t* values;
};

enum : int32_t { kVssVoiceFree = 0, kVssVoiceActive = 1, kVssVoiceBackground = 2 };
enum : int32_t { kVssVoiceKeyReleased = 1, kVssVoiceFading = 2 };

struct VssVoice {
    int32_t state;
    int32_t flags;
    int32_t startDelay;
    VssChannel* channel;      // null for voices started by VSS_PlaySample
    int32_t silentTicks;
    int32_t age;
    int32_t volumeFactor;
    int32_t panVariation;
    int32_t volume;           // 0..64
    int32_t pan;              // 0..64
    int32_t frequency;        // base frequency, Hz
    // Per-tick modifiers: cleared at the start of every tick, set by the effects.
    int32_t volumeOffset;
    int32_t panOffset;
    int32_t vibratoIndex;
    int32_t frequencyOffset;
    int32_t fadeVolume;
    int32_t fadeRate;
    // Results of the voice update.
    int32_t finalVolume;      // 0..255
    int32_t finalPan;         // 0..64
    int32_t finalFrequency;
    int32_t gainA;            // right
    int32_t gainB;            // left
    VssVoiceEnvelope envelopes[3];
    // The player's note context.
    const VssInstrument* instrument;
    const VssSample* sampleRecord;
    int32_t note;
    int32_t newNoteAction, dupCheckType, dupCheckAction;
    // The sample as the mixer plays it.
    int32_t sampleFlags;
    int32_t length;
    const void* data;
    int32_t loopBegin, loopEnd, sustainBegin, sustainEnd;
    uint64_t position;        // 32.32 fixed point
    uint64_t step;            // 32.32 fixed point
    int32_t backwards;        // ping-pong direction
    int32_t autoVibratoSpeed, autoVibratoDepth, autoVibratoRate, autoVibratoWaveform;
    uint8_t autoVibratoPhase;
    int32_t autoVibratoCurrentDepth;
    uint8_t autoVibratoAccumulator;
};

struct VssModuleStorage;

struct VssModule {
    int32_t fileGlobalVolume;
    int32_t fileMixVolume;
    int32_t initialSpeed;
    int32_t initialTempo;
    int32_t voicesInUse;      // highest voice number started so far
    int32_t globalVolume;
    int32_t mixVolume;
    // The position the show follows, read from another thread: the one being heard with
    // an audio device, else the player's own (see heard_position.h).
    std::atomic<int32_t> currentOrder;
    int32_t currentPattern;
    std::atomic<int32_t> currentRow;
    // Odd while the pair above is being written: readers take order and row together
    // (sections/music_position.h).
    std::atomic<uint32_t> positionSequence{0};
    // The player's own position: the tick being mixed.
    std::atomic<int32_t> playerOrder;
    std::atomic<int32_t> playerRow;
    int32_t currentTick;
    int32_t speed;
    int32_t tempo;
    int32_t patternRows;      // -1 forces a pattern change at the next row step
    int32_t readPosition;
    int32_t nextOrder;
    int32_t nextRow;
    int32_t patternDelay;
    VssChannel* channels;     // 64
    VssVoice* voices;         // one per mixer voice
    uint8_t* orders;
    VssPattern* patterns;
    VssInstrument* instruments;
    VssSample* samples;
    int32_t numOrders;
    int32_t numPatterns;      // pattern slots
    int32_t numInstruments;
    int32_t numSamples;
    int32_t numVoices;        // mixer voices the module was loaded for
    VssModuleStorage* storage;  // owns everything the pointers above point into
};
