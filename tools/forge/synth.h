// synth.h -- the soundtrack's sound sources: small deterministic DSP pieces (seeded noise,
// filters, additive tones whose partials fit a loop exactly) and the kit of instruments
// the soundtrack plays, each a sample (or two) with its instrument settings.
#pragma once

#include <cstdint>
#include <vector>

#include "it_writer.h"

namespace forge {

// Pitch convention of every tonal sample: note 60 (C-5) sounds at middle C.
constexpr double kMiddleC = 261.6255653;
// The instrument's envelopes count in player ticks: at tempo 110 there are 44 a second.
constexpr double kTicksPerSecond = 44.0;

namespace synth {

// Seeded white noise, -1..1.
class WhiteNoise {
public:
    explicit WhiteNoise(uint64_t seed) : state_(seed) {}
    float Next();

private:
    uint64_t state_;
};

// Chamberlin state-variable filter; cutoff may change every sample.
class StateVariable {
public:
    void Run(float x, float cutoffHz, float q, float rate);
    float low = 0, band = 0, high = 0;
};

// The C5 speed that makes a sample whose fundamental is f0 at `rate` sound at the
// written note (note 60 at middle C).
int C5For(double f0, double rate);

// A periodic signal of `length` samples built from partials: every partial's frequency is
// a whole number of cycles per loop (its bin), so the loop joins without a seam.
class LoopTone {
public:
    explicit LoopTone(int length);
    // phase in 0..1 of a cycle.
    void Add(int64_t bin, float amplitude, float phase);
    const std::vector<float>& Samples() const { return out_; }

private:
    int length_;
    std::vector<float> sine_, out_;
};

// Scales to the given peak (of full scale) and converts.
std::vector<int16_t> ToPcm16(const std::vector<float>& x, float peak);
std::vector<int16_t> ToPcm8(const std::vector<float>& x, float peak);

}  // namespace synth

// Instrument numbers (1-based, as patterns name them) of the soundtrack's kit.
struct SoundtrackKit {
    int kick, snare, fieldDrum, closedHat, openHat, tom, crash, heart, bass, pad, choir, lead, bell, pluck, riser, impact,
        glitch, wind, sine;
};

// Adds the kit's samples and instruments to the module.
SoundtrackKit AddSoundtrackKit(ItModule& module);

}  // namespace forge
