// synth.cpp -- the DSP pieces the soundtrack's instruments are made of. Everything is
// computed in a fixed order from fixed seeds, so every run renders the same samples.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace forge::synth {

float WhiteNoise::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<float>(z >> 40) / 8388608.0f - 1.0f;
}

void StateVariable::Run(float x, float cutoffHz, float q, float rate) {
    // Above a sixth of the rate this filter form turns unstable: hold it there.
    float fc = std::min(cutoffHz, rate / 6.0f);
    float f = 2.0f * std::sin(3.14159265f * fc / rate);
    low += f * band;
    high = x - low - q * band;
    band += f * high;
}

int C5For(double f0, double rate) { return static_cast<int>(std::lround(kMiddleC * rate / f0)); }

LoopTone::LoopTone(int length) : length_(length), sine_(length), out_(length, 0.0f) {
    for (int i = 0; i < length; ++i) sine_[i] = static_cast<float>(std::sin(6.283185307179586 * i / length));
}

void LoopTone::Add(int64_t bin, float amplitude, float phase) {
    int64_t offset = static_cast<int64_t>(phase * length_) % length_;
    int64_t at = offset;
    for (int i = 0; i < length_; ++i) {
        out_[i] += amplitude * sine_[at];
        at += bin;
        at %= length_;
    }
}

namespace {
float Peak(const std::vector<float>& x) {
    float p = 1e-9f;
    for (float v : x) p = std::max(p, std::fabs(v));
    return p;
}
}  // namespace

std::vector<int16_t> ToPcm16(const std::vector<float>& x, float peak) {
    float k = peak * 32767.0f / Peak(x);
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) out[i] = static_cast<int16_t>(std::lround(std::clamp(x[i] * k, -32768.0f, 32767.0f)));
    return out;
}

std::vector<int16_t> ToPcm8(const std::vector<float>& x, float peak) {
    float k = peak * 127.0f / Peak(x);
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) out[i] = static_cast<int16_t>(std::lround(std::clamp(x[i] * k, -128.0f, 127.0f)));
    return out;
}

}  // namespace forge::synth
