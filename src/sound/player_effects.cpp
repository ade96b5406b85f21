// player_effects.cpp -- what the volume column and the effects A..Z do. Each effect letter
// has a decode-time handler (kVssRowEffects: memory, what happens once, and the step back
// that keeps tick 0 unchanged for slides that wait for tick 1) and a tick handler
// (kVssTickEffects: run on every tick of the row, tick 0 included). S0x drives the sound
// system's own filters and echo instead of IT's MIDI macros.
//
// Effects that act on a voice do nothing when the channel has none; their memories are
// still kept. Frequencies are the voice's base frequency in Hz; a step is
// frequency += (frequency x table value) >> 12.
#include <algorithm>

#include "sound/player_internal.h"

namespace {

int32_t Clamp(int64_t v, int32_t lo, int32_t hi) { return static_cast<int32_t>(v < lo ? lo : (v > hi ? hi : v)); }

// Parameter 0 takes the memory; any other parameter becomes it.
int32_t Remember(int32_t* memory, int32_t parameter) {
    if (parameter) *memory = parameter;
    return *memory;
}

// Each nibble that is not 0 becomes its memory.
void RememberNibbles(int32_t parameter, int32_t* high, int32_t* low) {
    if (parameter >> 4) *high = parameter >> 4;
    if (parameter & 15) *low = parameter & 15;
}

// The slide forms shared by D, K, L, N, P and W: x0 up, 0y down (every tick), xF fine up,
// Fy fine down (once).
enum class SlideKind { None, Up, Down, FineUp, FineDown };
struct Slide {
    SlideKind kind;
    int32_t amount;
};

Slide ReadSlide(int32_t p) {
    const int32_t x = p >> 4, y = p & 15;
    if (y == 0 && x != 0) return {SlideKind::Up, x};
    if (x == 0 && y != 0) return {SlideKind::Down, y};
    if (y == 15) return {SlideKind::FineUp, x};
    if (x == 15) return {SlideKind::FineDown, y};
    return {SlideKind::None, 0};
}

// Decode-time part of a slide: fine forms act once; with `compensated` the every-tick
// forms step back once so that tick 0 ends unchanged, except x = 15 and y = 15, which
// slide on tick 0 as well (see VolumeSlidesAndTheirTickZero). sign -1 turns up into down (P).
void SlideRow(int32_t* value, int32_t p, int32_t lo, int32_t hi, bool compensated, int32_t sign = 1) {
    const Slide s = ReadSlide(p);
    switch (s.kind) {
    case SlideKind::Up:
        if (compensated && s.amount != 15) *value -= sign * s.amount;
        break;
    case SlideKind::Down:
        if (compensated && s.amount != 15) *value += sign * s.amount;
        break;
    case SlideKind::FineUp: *value = Clamp(*value + sign * s.amount, lo, hi); break;
    case SlideKind::FineDown: *value = Clamp(*value - sign * s.amount, lo, hi); break;
    case SlideKind::None: break;
    }
}

void SlideTick(int32_t* value, int32_t p, int32_t lo, int32_t hi, int32_t sign = 1) {
    const Slide s = ReadSlide(p);
    if (s.kind == SlideKind::Up) *value = Clamp(*value + sign * s.amount, lo, hi);
    else if (s.kind == SlideKind::Down) *value = Clamp(*value - sign * s.amount, lo, hi);
}

void StepFrequency(VssVoice* v, int32_t tableValue) {
    const int64_t f = v->frequency;
    v->frequency = Clamp(f + ((f * tableValue) >> 12), 0, INT32_MAX);
}

const int32_t* SlideTable() { return vssMixer.slideTable.data(); }

// E and F share this. Below 0xE0 the slide runs every tick from tick 1 on; 0xE0..0xEF
// (extra fine) and 0xF0..0xFF (fine) act once. A voice slid down to 0 Hz is freed.
void PitchSlideRow(VssChannel* ch, int32_t p, bool down) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v || vssMixer.slideTable.empty()) return;
    const int32_t* table = SlideTable();
    if (p < 0xE0) {
        StepFrequency(v, down ? table[p] : table[256 + p]);
    } else {
        StepFrequency(v, down ? table[256 + p] : table[p]);
        if (down && v->frequency <= 0) VssReleaseVoice(v);
    }
}

void PitchDownTick(VssModule*, VssChannel* ch, int32_t p) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v || p >= 0xE0 || vssMixer.slideTable.empty()) return;
    StepFrequency(v, SlideTable()[256 + p]);
    if (v->frequency <= 0) VssReleaseVoice(v);
}

void PitchUpTick(VssModule*, VssChannel* ch, int32_t p) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v || p >= 0xE0 || vssMixer.slideTable.empty()) return;
    StepFrequency(v, SlideTable()[p]);
}

// Tone portamento: towards the target by the portamento table, never past it.
void PortaStep(VssVoice* v, int32_t target, int32_t speed, bool away) {
    if (vssMixer.portaTable.empty() || v->frequency == target) return;
    const bool up = (v->frequency < target) != away;
    StepFrequency(v, vssMixer.portaTable[(up ? 0 : 256) + (speed & 255)]);
    if (!away) {
        if (up && v->frequency > target) v->frequency = target;
        if (!up && v->frequency < target) v->frequency = target;
    }
}

void PortaRow(VssChannel* ch, int32_t speed) {
    if (VssVoice* v = VssChannelVoice(ch)) PortaStep(v, ch->portaTarget, speed, true);
}

void PortaTick(VssModule*, VssChannel* ch, int32_t speed) {
    if (VssVoice* v = VssChannelVoice(ch)) PortaStep(v, ch->portaTarget, speed, false);
}

int32_t Wave(int32_t waveform, int32_t phase) {
    if (vssMixer.waveforms.empty()) return 0;
    return vssMixer.waveforms[(waveform & 3) * 256 + (phase & 255)];
}

void Vibrato(VssChannel* ch, bool fine) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v) return;
    ch->vibratoPhase = (ch->vibratoPhase + 4 * ch->vibratoSpeed) & 255;
    const int64_t depth = fine ? ch->vibratoDepth : 4 * ch->vibratoDepth;
    v->vibratoIndex += static_cast<int32_t>((Wave(ch->vibratoWaveform, ch->vibratoPhase) * depth) >> 15);
}

void VibratoTick(VssModule*, VssChannel* ch, int32_t) { Vibrato(ch, false); }
void FineVibratoTick(VssModule*, VssChannel* ch, int32_t) { Vibrato(ch, true); }

// The volume column's slides use the voice's volume; their amount is the parameter.
void VolumeUpTick(VssModule*, VssChannel* ch, int32_t x) {
    if (VssVoice* v = VssChannelVoice(ch)) v->volume = Clamp(v->volume + x, 0, 64);
}
void VolumeDownTick(VssModule*, VssChannel* ch, int32_t x) {
    if (VssVoice* v = VssChannelVoice(ch)) v->volume = Clamp(v->volume - x, 0, 64);
}

// ---- Effects, decode time and every tick -------------------------------------------

void RowNone(VssModule*, VssChannel*, int32_t, bool) {}
void TickNone(VssModule*, VssChannel*, int32_t) {}

void RowA(VssModule* m, VssChannel*, int32_t p, bool) { m->speed = p; }

void RowB(VssModule* m, VssChannel*, int32_t p, bool) {
    if (p < m->numOrders) {
        m->nextOrder = p;
        m->patternRows = -1;
    }
}

// With B on the same row, B names the order and C the row (see BreaksAndJumps).
void RowC(VssModule* m, VssChannel*, int32_t p, bool) {
    m->nextRow = p;
    m->patternRows = -1;
}

void RowD(VssModule*, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryD, p);
    if (VssVoice* v = VssChannelVoice(ch)) SlideRow(&v->volume, p, 0, 64, true);
}
void TickD(VssModule*, VssChannel* ch, int32_t p) {
    if (VssVoice* v = VssChannelVoice(ch)) SlideTick(&v->volume, p, 0, 64);
}

void RowE(VssModule*, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryEF, p);
    PitchSlideRow(ch, p, true);
}
void RowF(VssModule*, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryEF, p);
    PitchSlideRow(ch, p, false);
}

void RowG(VssModule*, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryG, p);
    PortaRow(ch, p);
}

void RowH(VssModule*, VssChannel* ch, int32_t p, bool) {
    RememberNibbles(p, &ch->vibratoSpeed, &ch->vibratoDepth);
    ch->memoryH = (ch->vibratoSpeed << 4) | ch->vibratoDepth;
    ch->fineVibrato = 0;
}

void RowI(VssModule*, VssChannel* ch, int32_t p, bool) {
    int32_t on = ch->memoryI >> 4, off = ch->memoryI & 15;
    RememberNibbles(p, &on, &off);
    ch->memoryI = ch->effectParameter = (on << 4) | off;
}
// x ticks sounding, then y ticks silent, and round again; a new note starts sounding.
void TickI(VssModule*, VssChannel* ch, int32_t p) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v) return;
    const int32_t on = std::max(1, p >> 4), off = std::max(1, p & 15);
    if (ch->tremorCounter == 0) {
        ch->tremorPhase = ch->tremorPhase == 1 ? 2 : 1;
        ch->tremorCounter = static_cast<uint8_t>(ch->tremorPhase == 1 ? on : off);
    }
    ch->tremorCounter -= 1;
    if (ch->tremorPhase == 2) v->volumeOffset = -v->volume;
}

// Every J row starts its three-tick cycle on the unchanged note, so a row whose tick count
// is not a multiple of three never leaves the next row's cycle mid-way (see
// ArpeggioRestartsOnEveryRow).
void RowJ(VssModule*, VssChannel* ch, int32_t p, bool) {
    ch->effectParameter = Remember(&ch->memoryJ, p);
    ch->arpeggioStep = 0;
}
void TickJ(VssModule*, VssChannel* ch, int32_t p) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v) return;
    const int32_t step = ch->arpeggioStep;
    ch->arpeggioStep = (step + 1) % 3;
    const int32_t semitones = step == 0 ? 0 : (step == 1 ? p >> 4 : p & 15);
    if (semitones == 0 || vssMixer.arpeggioTable.empty()) return;
    const int64_t f = v->frequency;
    v->frequencyOffset += static_cast<int32_t>(((f * vssMixer.arpeggioTable[semitones]) >> 12) - f);
}

void RowK(VssModule* m, VssChannel* ch, int32_t p, bool started) { RowD(m, ch, p, started); }
void TickK(VssModule* m, VssChannel* ch, int32_t p) {
    TickD(m, ch, p);
    Vibrato(ch, ch->fineVibrato != 0);
}

void RowL(VssModule* m, VssChannel* ch, int32_t p, bool started) {
    RowD(m, ch, p, started);
    PortaRow(ch, ch->memoryG);
}
void TickL(VssModule* m, VssChannel* ch, int32_t p) {
    TickD(m, ch, p);
    PortaTick(m, ch, ch->memoryG);
}

void RowM(VssModule*, VssChannel* ch, int32_t p, bool) {
    if (p <= 64) ch->volume = p;
}

void RowN(VssModule*, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryN, p);
    SlideRow(&ch->volume, p, 0, 64, true);
}
void TickN(VssModule*, VssChannel* ch, int32_t p) { SlideTick(&ch->volume, p, 0, 64); }

// Sample offset: only for the note that starts on this row, and only inside the sample.
void RowO(VssModule*, VssChannel* ch, int32_t p, bool noteStarted) {
    if (p) ch->memoryO = (ch->memoryO & ~0xFFFF) | p;
    VssVoice* v = VssChannelVoice(ch);
    if (!noteStarted || !v) return;
    int64_t offset = static_cast<int64_t>(ch->memoryO >> 16) * 65536 + (ch->memoryO & 0xFF) * 256;
    const VssSample* s = v->sampleRecord;
    if (s && s->originalC5Speed > 0) offset = offset * vssMixer.rate / s->originalC5Speed;
    if (offset < v->length) v->position = static_cast<uint64_t>(offset) << 32;
}

int32_t PanOf(VssChannel* ch) {
    if (VssVoice* v = VssChannelVoice(ch)) return v->pan;
    const int32_t pan = ch->pan & 0x7F;
    return pan > 64 ? 32 : pan;
}

// x0 pans down and 0y up, every tick from tick 0 on.
void RowP(VssModule*, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryP, p);
    int32_t pan = PanOf(ch);
    SlideRow(&pan, p, 0, 64, false, -1);
    if (VssVoice* v = VssChannelVoice(ch)) v->pan = pan;
    ch->pan = pan;
}
void TickP(VssModule*, VssChannel* ch, int32_t p) {
    int32_t pan = PanOf(ch);
    SlideTick(&pan, p, 0, 64, -1);
    if (VssVoice* v = VssChannelVoice(ch)) v->pan = pan;
    ch->pan = pan;
}

void RowQ(VssModule*, VssChannel* ch, int32_t p, bool) { ch->effectParameter = Remember(&ch->memoryQ, p); }
// The count goes on across rows; a new note starts it again.
void TickQ(VssModule*, VssChannel* ch, int32_t p) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v) return;
    const int32_t every = std::max(1, p & 15);
    if (++ch->retriggerCounter <= every) return;
    ch->retriggerCounter = 1;
    v->position = 0;
    v->backwards = 0;
    int32_t volume = v->volume;
    const int32_t x = p >> 4;
    if (x >= 1 && x <= 5) volume -= 1 << (x - 1);
    else if (x == 6) volume = volume * 2 / 3;
    else if (x == 7) volume /= 2;
    else if (x >= 9 && x <= 13) volume += 1 << (x - 9);
    else if (x == 14) volume = volume * 3 / 2;
    else if (x == 15) volume *= 2;
    v->volume = Clamp(volume, 0, 64);
}

void RowR(VssModule*, VssChannel* ch, int32_t p, bool) {
    RememberNibbles(p, &ch->tremoloSpeed, &ch->tremoloDepth);
    ch->memoryR = (ch->tremoloSpeed << 4) | ch->tremoloDepth;
}
void TickR(VssModule*, VssChannel* ch, int32_t) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v) return;
    ch->tremoloPhase = (ch->tremoloPhase + 4 * ch->tremoloSpeed) & 255;
    v->volumeOffset += static_cast<int32_t>((static_cast<int64_t>(Wave(ch->tremoloWaveform, ch->tremoloPhase)) *
                                             ch->tremoloDepth) >> 15);
}

// ---- S: the specials, with the sound system's filter and echo controls at S0x --------

int32_t* SelectedCutoff(const VssChannel* ch) {
    return ch->filterSelect ? &vssMixer.highPassCutoff : &vssMixer.lowPassCutoff;
}

// A new cutoff is limited to 10..44100 Hz and takes effect at once, on or off.
void SetCutoff(const VssChannel* ch, int64_t hz) {
    int32_t* cutoff = SelectedCutoff(ch);
    *cutoff = Clamp(hz, 10, 44100);
    if (vssMixer.rate <= 0) return;
    if (ch->filterSelect) VssFilterCoefficients(*cutoff, vssMixer.rate, &vssMixer.highA, &vssMixer.highB);
    else VssFilterCoefficients(*cutoff, vssMixer.rate, &vssMixer.lowA, &vssMixer.lowB);
}

void SlideCutoff(const VssChannel* ch, int32_t x, bool up) {
    if (vssMixer.cutoffTable.empty()) return;
    const int64_t c = *SelectedCutoff(ch);
    if (up) SetCutoff(ch, c + ((c * vssMixer.cutoffTable[x & 15]) >> 12) + 1);
    else SetCutoff(ch, c + ((c * vssMixer.cutoffTable[16 + (x & 15)]) >> 12) - 1);
}

void FilterControl(VssChannel* ch, int32_t x) {
    static constexpr int32_t kCutoffs[8] = {10, 30, 100, 300, 1000, 5000, 15000, 44100};
    switch (x) {
    case 2: ch->filterSelect = 0; break;
    case 3: ch->filterSelect = 1; break;
    case 4:
        if (ch->filterSelect) VSS_HighPassOff();
        else VSS_LowPassOff();
        break;
    case 5:
        if (ch->filterSelect) VSS_HighPassOn(vssMixer.highPassCutoff);
        else VSS_LowPassOn(vssMixer.lowPassCutoff);
        break;
    case 6: VSS_EchoOff(); break;
    case 7: VSS_EchoOn(); break;
    default:
        if (x >= 8) SetCutoff(ch, kCutoffs[x - 8]);
        break;
    }
}

void BackgroundVoices(VssModule* m, VssChannel* ch, int32_t action) {
    const int32_t inUse = std::min(m->voicesInUse, m->numVoices);
    for (int32_t i = 0; i < inUse; ++i) {
        VssVoice* v = &m->voices[i];
        if (v->state != kVssVoiceBackground || v->channel != ch) continue;
        if (action == 0) VssReleaseVoice(v);
        else v->flags |= action == 1 ? kVssVoiceKeyReleased : kVssVoiceFading;
    }
}

void SwitchEnvelope(VssVoice* v, int32_t envelope, bool on) {
    VssVoiceEnvelope& env = v->envelopes[envelope];
    // Only an envelope with a table can run.
    if (on && env.values) env.flags |= 1;
    else if (!on) env.flags &= ~1;
}

// SB0 marks the loop start; SBx plays back to it x more times. When the count runs out
// the start moves past this row (see PatternLoopPlaysThreeTimes).
void PatternLoop(VssModule* m, VssChannel* ch, int32_t x) {
    const int32_t order = m->playerOrder.load(std::memory_order_relaxed);
    const int32_t row = m->playerRow.load(std::memory_order_relaxed);
    if (x == 0) {
        ch->loopOrder = order;
        ch->loopRow = row;
        return;
    }
    if (ch->loopCounter == 0) ch->loopCounter = x + 1;
    ch->loopCounter -= 1;
    if (ch->loopCounter == 0) {
        const int32_t rows = m->patterns[m->currentPattern].rows;
        ch->loopOrder = row + 1 < rows ? order : order + 1;
        ch->loopRow = row + 1 < rows ? row + 1 : 0;
        return;
    }
    m->nextOrder = ch->loopOrder;
    m->nextRow = ch->loopRow;
    m->patternRows = -1;
}

void RowS(VssModule* m, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryS, p);
    const int32_t x = p & 15;
    VssVoice* v = VssChannelVoice(ch);
    switch (p >> 4) {
    case 0x0: FilterControl(ch, x); break;
    case 0x1: SlideCutoff(ch, x, true); break;   // the opposite step: tick 0 ends unchanged
    case 0x2: SlideCutoff(ch, x, false); break;
    case 0x3: if (x < 4) ch->vibratoWaveform = x; break;
    case 0x4: if (x < 4) ch->tremoloWaveform = x; break;
    case 0x5: if (x < 4) ch->panbrelloWaveform = x; break;
    case 0x6: m->patternDelay = x; break;
    case 0x7:
        if (x <= 2) BackgroundVoices(m, ch, x);
        else if (!v) break;
        else if (x <= 6) v->newNoteAction = x - 3;
        else if (x <= 0xC) SwitchEnvelope(v, (x - 7) / 2, (x - 7) % 2 == 1);
        break;
    case 0x8: VssSetPan(ch, 4 * x + 2); break;
    case 0xA: ch->memoryO = (ch->memoryO & 0xFFFF) | (x << 16); break;
    case 0xB: PatternLoop(m, ch, x); break;
    case 0xC: ch->noteCutCounter = x; break;
    case 0xD: ch->noteDelayCounter = x; break;
    case 0xE: m->patternDelay = x * m->speed; break;
    default: break;  // S9x, SFx
    }
}

void TickS(VssModule* m, VssChannel* ch, int32_t p) {
    const int32_t x = p & 15;
    switch (p >> 4) {
    case 0x1: SlideCutoff(ch, x, false); break;
    case 0x2: SlideCutoff(ch, x, true); break;
    case 0xC:
        if (m->currentTick == x)
            if (VssVoice* v = VssChannelVoice(ch)) VssReleaseVoice(v);
        break;
    case 0xD:
        if (m->currentTick == x) {
            VssStartNote(m, ch, ch->delayedNote, ch->delayedInstrument);
            if (VssVoice* v = VssChannelVoice(ch))
                v->volumeOffset = v->panOffset = v->vibratoIndex = v->frequencyOffset = 0;
            VssVolumeColumn(m, ch, ch->delayedVolume);
            // A delayed note's start tick is its tick 0: the volume column's step back is
            // balanced by one run of its handler now, as on the tick 0 of any other row.
            // Waiting for the next tick instead would sound the first tick one step off
            // (a slide down at volume 64 would play at 64 + x) and start the slide a tick
            // late (see NoteDelayedVolumeSlideStartsLikeAnyNote).
            if (ch->volumeHandler) ch->volumeHandler(m, ch, ch->volumeParameter);
        }
        break;
    default: break;
    }
}

void RowT(VssModule* m, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryT, p);
    if (p >= 0x20) m->tempo = p;
    else if ((p >> 4) == 0) m->tempo += p & 15;
    else m->tempo -= p & 15;
}
void TickT(VssModule* m, VssChannel*, int32_t p) {
    if (p >= 0x20) return;
    if ((p >> 4) == 0) m->tempo = std::max(32, m->tempo - (p & 15));
    else m->tempo = std::min(255, m->tempo + (p & 15));
}

void RowU(VssModule* m, VssChannel* ch, int32_t p, bool started) {
    RowH(m, ch, p, started);
    ch->fineVibrato = 1;
}

void RowV(VssModule* m, VssChannel*, int32_t p, bool) {
    if (p <= 128) m->globalVolume = p;
}

void RowW(VssModule* m, VssChannel* ch, int32_t p, bool) {
    p = ch->effectParameter = Remember(&ch->memoryW, p);
    SlideRow(&m->globalVolume, p, 0, 128, false);
}
void TickW(VssModule* m, VssChannel*, int32_t p) { SlideTick(&m->globalVolume, p, 0, 128); }

void RowX(VssModule*, VssChannel* ch, int32_t p, bool) { VssSetPan(ch, (p + 2) >> 2); }

void RowY(VssModule*, VssChannel* ch, int32_t p, bool) {
    RememberNibbles(p, &ch->panbrelloSpeed, &ch->panbrelloDepth);
    ch->memoryY = (ch->panbrelloSpeed << 4) | ch->panbrelloDepth;
}
// The random waveform holds each value for `speed` ticks.
void TickY(VssModule*, VssChannel* ch, int32_t) {
    VssVoice* v = VssChannelVoice(ch);
    if (!v) return;
    if (ch->panbrelloWaveform == 3) {
        if (++ch->panbrelloCounter >= std::max(1, ch->panbrelloSpeed)) {
            ch->panbrelloCounter = 0;
            ch->panbrelloPhase = (ch->panbrelloPhase + 1) & 255;
        }
    } else {
        ch->panbrelloPhase = (ch->panbrelloPhase + ch->panbrelloSpeed) & 255;
    }
    v->panOffset += static_cast<int32_t>(
        (static_cast<int64_t>(Wave(ch->panbrelloWaveform, ch->panbrelloPhase)) * ch->panbrelloDepth) >> 15);
}

}  // namespace

const VssRowEffect kVssRowEffects[kVssEffectCount] = {
    RowNone, RowA, RowB, RowC, RowD, RowE, RowF, RowG, RowH, RowI, RowJ, RowK, RowL, RowM,
    RowN,    RowO, RowP, RowQ, RowR, RowS, RowT, RowU, RowV, RowW, RowX, RowY, RowNone,
};

const VssTickHandler kVssTickEffects[kVssEffectCount] = {
    TickNone, TickNone, TickNone, TickNone, TickD,       PitchDownTick, PitchUpTick, PortaTick, VibratoTick,
    TickI,    TickJ,    TickK,    TickL,    TickNone,    TickN,         TickNone,    TickP,     TickQ,
    TickR,    TickS,    TickT,    FineVibratoTick, TickNone, TickW,     TickNone,    TickY,     TickNone,
};

// A pan set by the volume column, X or S8x is the pan heard: the note's random and
// pitch-pan variation goes with it (see SetPanDropsTheNotesVariation).
void VssSetPan(VssChannel* ch, int32_t pan) {
    pan = Clamp(pan, 0, 64);
    ch->pan = pan;
    if (VssVoice* v = VssChannelVoice(ch)) {
        v->pan = pan;
        v->panVariation = 0;
    }
}

void VssVolumeColumn(VssModule*, VssChannel* ch, int32_t value) {
    if (value < 0) return;
    VssVoice* v = VssChannelVoice(ch);
    if (value <= 64) {
        if (v) v->volume = value;
        return;
    }
    if (value >= 128 && value <= 192) {
        if (v) VssSetPan(ch, value - 128);
        return;
    }
    int32_t command, x;
    if (value >= 65 && value <= 124) {
        command = (value - 65) / 10;
        x = (value - 65) % 10;
    } else if (value >= 193 && value <= 212) {
        command = 6 + (value - 193) / 10;
        x = (value - 193) % 10;
    } else {
        return;  // 125..127 and 213..255 mean nothing
    }
    static constexpr int32_t kPortaSpeed[10] = {0, 1, 4, 8, 16, 32, 64, 96, 128, 255};
    int32_t parameter = 0;
    if (command <= 3) parameter = Remember(&ch->volumeSlideMemory, x);
    else if (command <= 5) parameter = Remember(&ch->memoryEF, 4 * x);
    else if (command == 6) parameter = Remember(&ch->memoryG, kPortaSpeed[x]);
    else parameter = Remember(&ch->vibratoDepth, x);
    if (!v) return;
    ch->volumeCommand = command;
    ch->volumeParameter = parameter;
    switch (command) {
    case 0: v->volume = Clamp(v->volume + parameter, 0, 64); break;
    case 1: v->volume = Clamp(v->volume - parameter, 0, 64); break;
    case 2:
        v->volume -= parameter;  // the step back: the slide starts on tick 1
        ch->volumeHandler = VolumeUpTick;
        break;
    case 3:
        v->volume += parameter;
        ch->volumeHandler = VolumeDownTick;
        break;
    case 4:
        PitchSlideRow(ch, parameter, true);
        ch->volumeHandler = PitchDownTick;
        break;
    case 5:
        PitchSlideRow(ch, parameter, false);
        ch->volumeHandler = PitchUpTick;
        break;
    case 6:
        PortaRow(ch, parameter);
        ch->volumeHandler = PortaTick;
        break;
    default:
        ch->fineVibrato = 0;
        ch->volumeHandler = VibratoTick;
        break;
    }
}
