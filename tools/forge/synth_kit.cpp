// synth_kit.cpp -- the soundtrack's instruments. Drums and effects are rendered once at
// their natural pitch; tonal instruments carry a loop built from partials that fit it
// exactly, so they sustain without a click, and their instruments shape attack and
// release with envelopes. Every sample is normalised to the same peak; the balance
// between instruments is set by their global volumes.
#include <algorithm>
#include <cmath>

#include "synth.h"

namespace forge {

namespace {

using synth::C5For;
using synth::LoopTone;
using synth::StateVariable;
using synth::WhiteNoise;

constexpr double kTau = 6.283185307179586;
constexpr float kPeak = 0.95f;

int Ticks(double seconds) { return static_cast<int>(std::lround(seconds * kTicksPerSecond)); }

float Attack(double t, double seconds) { return t < seconds ? static_cast<float>(t / seconds) : 1.0f; }

// Metallic cluster of square waves, the body of hats and cymbals.
float Metal(double t, double scale) {
    static constexpr double kRatios[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    float s = 0;
    for (double r : kRatios) s += std::fmod(t * r * scale, 1.0) < 0.5 ? 1.0f : -1.0f;
    return s / 6.0f;
}

std::vector<float> Kick() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(0.5 * rate));
    WhiteNoise noise(11);
    StateVariable click;
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        phase += kTau * (44.0 + 125.0 * std::exp(-t / 0.03)) / rate;
        float body = static_cast<float>(std::sin(phase) * std::exp(-t / 0.26)) * Attack(t, 0.001);
        click.Run(noise.Next(), 3000, 0.7f, static_cast<float>(rate));
        float c = click.low * static_cast<float>(std::exp(-t / 0.004)) * 0.6f;
        x[i] = std::tanh(1.7f * (body + c));
    }
    return x;
}

std::vector<float> Snare() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(0.4 * rate));
    WhiteNoise noise(12);
    StateVariable f;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        float tone = static_cast<float>(0.55 * std::sin(kTau * 188 * t) * std::exp(-t / 0.06) +
                                        0.3 * std::sin(kTau * 331 * t) * std::exp(-t / 0.04));
        f.Run(noise.Next(), 2600, 0.9f, static_cast<float>(rate));
        float n = (0.7f * f.high + 0.6f * f.band) * static_cast<float>(std::exp(-t / 0.12));
        x[i] = std::tanh(1.4f * (tone + n)) * Attack(t, 0.0008);
    }
    return x;
}

// A field drum for the marching parts: deeper shell, duller snares than the kit's snare.
std::vector<float> FieldDrum() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(0.45 * rate));
    WhiteNoise noise(23);
    StateVariable f;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        float tone = static_cast<float>(0.7 * std::sin(kTau * 148 * t) * std::exp(-t / 0.09) +
                                        0.3 * std::sin(kTau * 247 * t) * std::exp(-t / 0.05));
        f.Run(noise.Next(), 900, 0.7f, static_cast<float>(rate));
        float n = (0.5f * f.band + 0.6f * f.low) * static_cast<float>(std::exp(-t / 0.15));
        x[i] = std::tanh(1.5f * (tone + n)) * Attack(t, 0.001);
    }
    return x;
}

std::vector<float> Hat(double seconds, double decay, uint64_t seed) {
    const double rate = 44100;
    std::vector<float> x(static_cast<size_t>(seconds * rate));
    WhiteNoise noise(seed);
    StateVariable f;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        f.Run(0.6f * Metal(t, 2.0) + 0.5f * noise.Next(), 7500, 1.0f, static_cast<float>(rate));
        x[i] = f.high * static_cast<float>(std::exp(-t / decay)) * Attack(t, 0.0005);
    }
    return x;
}

std::vector<float> Tom() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(0.8 * rate));
    WhiteNoise noise(13);
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        phase += kTau * 98.0 * (1 + 0.5 * std::exp(-t / 0.08)) / rate;
        float body = static_cast<float>(std::sin(phase) * std::exp(-t / 0.32));
        float hit = noise.Next() * static_cast<float>(std::exp(-t / 0.01)) * 0.3f;
        x[i] = std::tanh(1.5f * (body + hit)) * Attack(t, 0.001);
    }
    return x;
}

std::vector<float> Crash() {
    const double rate = 32000;
    std::vector<float> x(static_cast<size_t>(1.6 * rate));
    WhiteNoise noise(14);
    StateVariable f, g;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        float n = noise.Next();
        f.Run(n + 0.4f * Metal(t, 3.1), 4200, 0.8f, static_cast<float>(rate));
        g.Run(n, 2200, 0.5f, static_cast<float>(rate));
        float env = static_cast<float>(0.75 * std::exp(-t / 0.5) + 0.25 * std::exp(-t / 0.06));
        x[i] = (f.high + 0.35f * g.band) * env * Attack(t, 0.002);
    }
    return x;
}

std::vector<float> Heart() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(0.45 * rate));
    WhiteNoise noise(15);
    StateVariable f;
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        phase += kTau * (46.0 + 30.0 * std::exp(-t / 0.05)) / rate;
        float body = static_cast<float>(std::sin(phase) * std::exp(-t / 0.11)) * Attack(t, 0.008);
        f.Run(noise.Next(), 180, 0.6f, static_cast<float>(rate));
        float thud = f.low * static_cast<float>(std::exp(-t / 0.05)) * 2.0f;
        x[i] = std::tanh(1.3f * (body + thud));
    }
    return x;
}

// A plucked bass: a saw whose low-pass closes in the first 0.4 s, then a loop of four
// whole periods at the final brightness.
ItSample Bass() {
    const double rate = 22050;
    const int period = 300;  // 73.5 Hz, a little above D-3
    const int loopBegin = 29 * period, loopEnd = 33 * period;
    std::vector<float> sine(period);
    for (int i = 0; i < period; ++i) sine[i] = static_cast<float>(std::sin(kTau * i / period));
    std::vector<float> x(loopEnd, 0.0f);
    const double f0 = rate / period;
    for (int i = 0; i < loopEnd; ++i) {
        double t = std::min(i, loopBegin) / rate;
        double cutoff = 420 + 2200 * std::exp(-t / 0.07);
        float s = 0.8f * sine[i % period];  // sub
        for (int k = 1; k * f0 < 6000; ++k) {
            double r = k * f0 / cutoff;
            float a = static_cast<float>(1.0 / k / std::sqrt(1 + r * r * r * r));
            s += a * sine[(static_cast<int64_t>(k) * i) % period];
        }
        x[i] = s * Attack(i / rate, 0.003);
    }
    ItSample smp;
    smp.name = "pluck bass";
    smp.data = synth::ToPcm16(x, kPeak);
    smp.c5Speed = C5For(f0, rate);
    smp.loop = true, smp.loopBegin = loopBegin, smp.loopEnd = loopEnd;
    return smp;
}

// Detuned voices of a band-limited saw with random partial phases (a low crest factor),
// as one seamless two-second loop at 22050 Hz: bins are half-hertz steps.
ItSample Pad() {
    const double rate = 22050;
    const int length = 44100;
    LoopTone tone(length);
    WhiteNoise phases(16);
    const int bins[4] = {219, 220, 221, 440};  // 110 Hz, detuned by half a hertz, and an octave
    const float gains[4] = {1.0f, 1.0f, 1.0f, 0.35f};
    for (int v = 0; v < 4; ++v) {
        double f0 = bins[v] * rate / length;
        for (int k = 1; k * f0 < 5000; ++k) {
            double r = k * f0 / 1400;
            float a = gains[v] * static_cast<float>(1.0 / k / std::sqrt(1 + r * r * r * r));
            tone.Add(static_cast<int64_t>(bins[v]) * k, a, 0.5f + 0.5f * phases.Next());
        }
    }
    ItSample smp;
    smp.name = "dark pad";
    smp.data = synth::ToPcm16(tone.Samples(), kPeak);
    smp.c5Speed = C5For(110.0, rate);
    smp.loop = true, smp.loopBegin = 0, smp.loopEnd = length;
    return smp;
}

// Five voices on an "ah" vowel: partial amplitudes follow three formant peaks.
ItSample Choir() {
    const double rate = 22050;
    const int length = 44100;
    LoopTone tone(length);
    WhiteNoise phases(17);
    const int bins[5] = {440, 438, 442, 439, 441};  // 220 Hz and its neighbours a hertz apart
    auto formant = [](double f, double centre, double width) { return std::exp(-0.5 * std::pow((f - centre) / width, 2)); };
    for (int b : bins) {
        double f0 = b * rate / length;
        for (int k = 1; k * f0 < 5500; ++k) {
            double f = k * f0;
            double a = (1.0 * formant(f, 720, 140) + 0.6 * formant(f, 1180, 120) + 0.25 * formant(f, 2600, 260) +
                        0.04) / std::pow(k, 0.5);
            tone.Add(static_cast<int64_t>(b) * k, static_cast<float>(a), 0.5f + 0.5f * phases.Next());
        }
    }
    ItSample smp;
    smp.name = "choir ah";
    smp.data = synth::ToPcm16(tone.Samples(), kPeak);
    smp.c5Speed = C5For(220.0, rate);
    smp.loop = true, smp.loopBegin = 0, smp.loopEnd = length;
    smp.vibratoSpeed = 6, smp.vibratoDepth = 5, smp.vibratoRate = 40, smp.vibratoWave = 0;
    return smp;
}

// Two voices a hertz apart of a saw and square blend, a one-second loop.
ItSample Lead() {
    const double rate = 22050;
    const int length = 22050;
    LoopTone tone(length);
    const int bins[2] = {523, 524};
    for (int b : bins) {
        for (int k = 1; k * b < 9000; ++k) {
            double r = k * b / 3800.0;
            float a = static_cast<float>((k % 2 ? 1.0 : 0.45) / k / std::sqrt(1 + r * r * r * r));
            tone.Add(static_cast<int64_t>(b) * k, a, b == 523 ? 0.0f : 0.25f);
        }
    }
    ItSample smp;
    smp.name = "lead";
    smp.data = synth::ToPcm16(tone.Samples(), kPeak);
    smp.c5Speed = C5For(523.5, rate);
    smp.loop = true, smp.loopBegin = 0, smp.loopEnd = length;
    smp.vibratoSpeed = 5, smp.vibratoDepth = 3, smp.vibratoRate = 60;
    return smp;
}

std::vector<float> Bell() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(2.0 * rate));
    struct Partial {
        double ratio, gain, decay;
    };
    static constexpr Partial kPartials[] = {{0.5, 0.25, 1.1}, {1.0, 1.0, 0.9}, {2.0, 0.45, 0.6},
                                            {2.76, 0.4, 0.45}, {4.07, 0.22, 0.3}, {5.43, 0.14, 0.2},
                                            {8.12, 0.08, 0.12}};
    const double f0 = 523.25;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        double s = 0;
        for (const Partial& p : kPartials) s += p.gain * std::sin(kTau * f0 * p.ratio * t) * std::exp(-t / p.decay);
        x[i] = static_cast<float>(s) * Attack(t, 0.002);
    }
    return x;
}

// Karplus-Strong string, 84 samples a period.
std::vector<float> Pluck() {
    const double rate = 22050;
    const int period = 84;
    std::vector<float> x(static_cast<size_t>(0.7 * rate));
    WhiteNoise noise(18);
    std::vector<float> line(period);
    float lp = 0;
    for (int i = 0; i < period; ++i) {
        lp = 0.55f * lp + 0.45f * noise.Next();
        line[i] = lp;
    }
    for (size_t i = 0; i < x.size(); ++i) {
        size_t k = i % period;
        float next = line[(k + 1) % period];
        float y = line[k];
        x[i] = y;
        line[k] = 0.4985f * (y + next);
    }
    return x;
}

std::vector<float> Riser() {
    const double rate = 22050;
    const double seconds = 3.3;
    std::vector<float> x(static_cast<size_t>(seconds * rate));
    WhiteNoise noise(19);
    StateVariable f;
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        double u = i / rate / seconds;
        f.Run(noise.Next(), static_cast<float>(300 * std::pow(20.0, u)), 0.35f, static_cast<float>(rate));
        phase += kTau * 150 * std::pow(2.0, 3 * u) / rate;
        x[i] = static_cast<float>(std::pow(u, 1.5) * f.band + 0.25 * u * u * std::sin(phase));
    }
    return x;
}

std::vector<float> Impact() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(2.4 * rate));
    WhiteNoise noise(20);
    StateVariable f;
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        phase += kTau * (36 + 70 * std::exp(-t / 0.1)) / rate;
        float boom = static_cast<float>(std::sin(phase) * std::exp(-t / 0.7));
        f.Run(noise.Next(), static_cast<float>(120 + 2400 * std::exp(-t / 0.2)), 0.7f, static_cast<float>(rate));
        float crack = f.low * static_cast<float>(std::exp(-t / 0.3)) * 1.2f;
        x[i] = std::tanh(1.4f * (boom + crack)) * Attack(t, 0.002);
    }
    return x;
}

// Broken-signal bursts: 6 ms pieces of square tones, noise and held noise, crushed to
// a few levels.
std::vector<float> Glitch() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(0.13 * rate));
    WhiteNoise noise(21);
    const size_t piece = static_cast<size_t>(0.006 * rate);
    int kind = 0;
    double freq = 0;
    float held = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        if (i % piece == 0) {
            kind = static_cast<int>((noise.Next() + 1) * 1.5f) % 3;
            freq = 300 + (noise.Next() + 1) * 1400;
        }
        double t = i / rate;
        float s;
        if (kind == 0) s = std::fmod(t * freq, 1.0) < 0.5 ? 0.8f : -0.8f;
        else if (kind == 1) s = noise.Next();
        else {
            if (i % 9 == 0) held = noise.Next();
            s = held;
        }
        s = std::round(s * 3.0f) / 3.0f;
        float fade = std::min(1.0f, static_cast<float>(x.size() - i) / 200.0f);
        x[i] = s * fade;
    }
    return x;
}

// Wind: band-passed noise whose centre wanders; played as a ping-pong loop.
std::vector<float> Wind() {
    const double rate = 22050;
    std::vector<float> x(static_cast<size_t>(4.0 * rate));
    WhiteNoise noise(22);
    StateVariable a, b;
    for (size_t i = 0; i < x.size(); ++i) {
        double t = i / rate;
        float n = noise.Next();
        a.Run(n, static_cast<float>(520 * (1 + 0.45 * std::sin(kTau * 0.27 * t))), 0.18f, static_cast<float>(rate));
        b.Run(n, static_cast<float>(1250 * (1 + 0.3 * std::sin(kTau * 0.61 * t + 1))), 0.3f, static_cast<float>(rate));
        x[i] = static_cast<float>((a.band + 0.5 * b.band) * (0.7 + 0.3 * std::sin(kTau * 0.5 * t)));
    }
    return x;
}

ItSample Drum(const char* name, std::vector<float> x, int rate) {
    ItSample s;
    s.name = name;
    s.data = synth::ToPcm16(x, kPeak);
    s.c5Speed = rate;
    return s;
}

ItEnvelope Envelope(std::vector<ItEnvelopeNode> nodes, int sustainNode = -1) {
    ItEnvelope e;
    e.on = true;
    e.nodes = std::move(nodes);
    if (sustainNode >= 0) e.sustain = true, e.sustainBegin = e.sustainEnd = sustainNode;
    return e;
}

class KitBuilder {
public:
    explicit KitBuilder(ItModule& m) : m_(m) {}
    int Add(ItSample sample, ItInstrument in) {
        m_.samples.push_back(std::move(sample));
        in.MapAll(static_cast<int>(m_.samples.size()));
        if (in.name.empty()) in.name = m_.samples.back().name;
        m_.instruments.push_back(std::move(in));
        return static_cast<int>(m_.instruments.size());
    }

private:
    ItModule& m_;
};

ItInstrument Instrument(int globalVolume, ItNna nna = ItNna::Cut, int fadeOut = 0) {
    ItInstrument in;
    in.globalVolume = globalVolume;
    in.nna = nna;
    in.fadeOut = fadeOut;
    return in;
}

}  // namespace

SoundtrackKit AddSoundtrackKit(ItModule& m) {
    KitBuilder kit(m);
    SoundtrackKit k{};

    k.kick = kit.Add(Drum("kick", Kick(), 22050), Instrument(128));
    k.snare = kit.Add(Drum("snare", Snare(), 22050), Instrument(100));
    k.fieldDrum = kit.Add(Drum("field drum", FieldDrum(), 22050), Instrument(110));
    ItInstrument hats = Instrument(64);
    hats.randomVolume = 18;
    hats.randomPan = 6;
    k.closedHat = kit.Add(Drum("closed hat", Hat(0.12, 0.025, 31), 44100), hats);
    // The open hat is choked by the next open hat of the same note.
    ItInstrument open = Instrument(56, ItNna::Continue, 0);
    open.dct = ItDct::Note;
    open.dca = ItDca::Cut;
    k.openHat = kit.Add(Drum("open hat", Hat(0.7, 0.22, 32), 44100), open);
    // Toms spread across the stereo field by pitch.
    ItInstrument tom = Instrument(108);
    tom.pitchPanSeparation = 6;
    tom.pitchPanCentre = 60;
    k.tom = kit.Add(Drum("tom", Tom(), 22050), tom);
    ItInstrument crash = Instrument(70, ItNna::Continue, 40);
    crash.dct = ItDct::Instrument;
    crash.dca = ItDca::NoteFade;
    k.crash = kit.Add(Drum("crash", Crash(), 32000), crash);
    k.heart = kit.Add(Drum("heart", Heart(), 22050), Instrument(128));

    ItInstrument bass = Instrument(104, ItNna::Cut, 96);
    bass.volume = Envelope({{0, 64}, {4, 54}, {12, 0}}, 1);
    k.bass = kit.Add(Bass(), bass);

    // Chords ring on through their release while the next one comes in.
    ItInstrument pad = Instrument(62, ItNna::NoteOff, 12);
    pad.volume = Envelope({{0, 0}, {Ticks(0.7), 64}, {Ticks(1.2), 54}, {Ticks(2.6), 0}}, 2);
    pad.pan = Envelope({{0, -8}, {Ticks(2), 8}, {Ticks(4), -8}});
    pad.pan.loop = true, pad.pan.loopBegin = 0, pad.pan.loopEnd = 2;
    pad.randomVolume = 8;
    k.pad = kit.Add(Pad(), pad);

    ItInstrument choir = Instrument(56, ItNna::NoteFade, 20);
    choir.volume = Envelope({{0, 0}, {Ticks(0.5), 64}, {Ticks(0.9), 58}, {Ticks(2.0), 0}}, 2);
    choir.randomVolume = 10;
    k.choir = kit.Add(Choir(), choir);

    ItInstrument lead = Instrument(70, ItNna::Cut, 48);
    lead.volume = Envelope({{0, 0}, {2, 64}, {8, 48}, {30, 0}}, 2);
    k.lead = kit.Add(Lead(), lead);

    // Bells fade as the next one strikes, so fast figures do not pile up voices.
    ItInstrument bell = Instrument(70, ItNna::NoteFade, 40);
    bell.dct = ItDct::Note;
    bell.dca = ItDca::NoteFade;
    ItSample bellSample = Drum("bell", Bell(), 0);
    bellSample.c5Speed = C5For(523.25, 22050);
    k.bell = kit.Add(bellSample, bell);

    ItSample pluckSample = Drum("pluck", Pluck(), 0);
    pluckSample.c5Speed = C5For(22050.0 / 84, 22050);
    k.pluck = kit.Add(pluckSample, Instrument(76));

    ItSample riser = Drum("riser", {}, 22050);
    riser.sixteenBit = false;
    riser.data = synth::ToPcm8(Riser(), kPeak);
    k.riser = kit.Add(riser, Instrument(72));

    k.impact = kit.Add(Drum("impact", Impact(), 22050), Instrument(128));

    ItSample glitch = Drum("glitch", {}, 22050);
    glitch.sixteenBit = false;
    glitch.data = synth::ToPcm8(Glitch(), kPeak);
    ItInstrument glitchIn = Instrument(60);
    glitchIn.randomPan = 20;
    k.glitch = kit.Add(glitch, glitchIn);

    ItSample wind = Drum("wind", Wind(), 22050);
    wind.loop = true, wind.pingPong = true;
    wind.loopBegin = 4410, wind.loopEnd = static_cast<int>(wind.data.size());
    ItInstrument windIn = Instrument(64, ItNna::NoteFade, 8);
    windIn.volume = Envelope({{0, 0}, {Ticks(2.5), 64}}, 1);
    k.wind = kit.Add(wind, windIn);

    // A pure tone, eight periods of 64 samples, for falls and test-card whines.
    std::vector<float> sine(512);
    for (int i = 0; i < 512; ++i) sine[i] = static_cast<float>(std::sin(kTau * i / 64));
    ItSample sineSample = Drum("sine", sine, 0);
    sineSample.c5Speed = C5For(22050.0 / 64, 22050);
    sineSample.loop = true, sineSample.loopBegin = 0, sineSample.loopEnd = 512;
    ItInstrument sineIn = Instrument(48, ItNna::Cut, 32);
    sineIn.volume = Envelope({{0, 0}, {1, 64}});
    k.sine = kit.Add(sineSample, sineIn);
    return k;
}

}  // namespace forge
