// player.cpp -- the module player's sequencer: starting and stopping a module, the tick
// entry the mixer calls once per tick, the row step (ticks, rows, orders, pattern delay,
// pattern changes, 0xFE separators, the end of the song), the decoding of the packed IT
// rows and the note start with its new note action, duplicate check and voice choice.
// What each effect does lives in player_effects.cpp.
#include "sound/player_internal.h"
#include "sound/heard_position.h"

#include <algorithm>

#include "sound/vss_lock.h"

namespace {

constexpr uint8_t kOrderSeparator = 0xFE;
constexpr uint8_t kOrderEnd = 0xFF;

int32_t ClampValue(int64_t v, int32_t lo, int32_t hi) {
    return static_cast<int32_t>(v < lo ? lo : (v > hi ? hi : v));
}

struct RowEntry {
    int32_t note = kVssNone;
    int32_t instrument = kVssNone;  // 0-based
    int32_t volume = kVssNone;
    int32_t effect = kVssNone;
    int32_t parameter = 0;
};

// A channel entry of the row: the note starts (unless a tone portamento or a note delay
// holds it back), then the volume column, then the effect's decode-time part.
void PlayEntry(VssModule* m, VssChannel* ch, RowEntry e) {
    if (e.effect < 1 || e.effect >= kVssEffectCount) e.effect = kVssNone;  // past Z: none
    ch->volumeCommand = kVssNone;
    ch->effect = kVssNone;
    VssVoice* voice = VssChannelVoice(ch);
    const bool portaEffect = e.effect == kVssEffectG;
    const bool portaVolume = e.volume >= 193 && e.volume <= 202;
    const int32_t special = e.parameter ? e.parameter : ch->memoryS;
    bool noteStarted = false;
    if (portaEffect || portaVolume) {
        if (!voice) {
            // Nothing to slide: the note starts as it is, the speed is remembered.
            static constexpr int32_t kVolumePortaSpeed[10] = {0, 1, 4, 8, 16, 32, 64, 96, 128, 255};
            if (portaEffect) {
                if (e.parameter) ch->memoryG = e.parameter;
                e.effect = kVssNone;
            }
            if (portaVolume) {
                if (kVolumePortaSpeed[e.volume - 193]) ch->memoryG = kVolumePortaSpeed[e.volume - 193];
                e.volume = kVssNone;
            }
            noteStarted = VssStartNote(m, ch, e.note, e.instrument);
        } else {
            if (e.instrument != kVssNone && voice->sampleRecord)
                voice->volume = ClampValue(voice->sampleRecord->defaultVolume, 0, 64);
            // Only real notes name a keyboard entry; one without a sample keeps the target.
            if (e.note >= 0 && e.note < 120 && voice->instrument) {
                const VssKey& key = voice->instrument->keyboard[e.note];
                if (key.sample) ch->portaTarget = key.frequency;
            }
        }
        VssVolumeColumn(m, ch, e.volume);
    } else if (e.effect == kVssEffectS && (special >> 4) == 0xD) {
        // Note delay: everything of the row but the effect waits for its tick.
        ch->delayedNote = e.note;
        ch->delayedInstrument = e.instrument;
        ch->delayedVolume = e.volume;
    } else {
        noteStarted = VssStartNote(m, ch, e.note, e.instrument);
        VssVolumeColumn(m, ch, e.volume);
    }
    if (e.effect != kVssNone) {
        ch->effect = e.effect;
        ch->effectParameter = e.parameter;
        kVssRowEffects[e.effect](m, ch, e.parameter, noteStarted);
        ch->effectHandler = kVssTickEffects[e.effect];
    }
}

// Decodes one packed row from the read position. With `play` the entries start notes and
// effects; without, only the channels' masks and last values change (rows skipped when a
// pattern is entered in the middle). Reading never passes the pattern's data; an entry
// cut short by the end of the data is dropped.
void DecodeRow(VssModule* m, bool play) {
    if (play)
        for (int c = 0; c < 64; ++c) {
            m->channels[c].volumeHandler = nullptr;
            m->channels[c].effectHandler = nullptr;
        }
    if (m->currentPattern < 0 || m->currentPattern >= m->numPatterns) return;
    const VssPattern& p = m->patterns[m->currentPattern];
    int32_t at = m->readPosition;
    while (at < p.length) {
        const uint8_t c = p.data[at++];
        if (c == 0) break;
        VssChannel& ch = m->channels[(c - 1) & 63];
        if (c & 0x80) {
            if (at >= p.length) break;
            ch.lastMask = p.data[at++];
        }
        const int32_t mask = ch.lastMask;
        const int32_t need = (mask & 1) + ((mask >> 1) & 1) + ((mask >> 2) & 1) + 2 * ((mask >> 3) & 1);
        if (at + need > p.length) {
            at = p.length;
            break;
        }
        RowEntry e;
        if (mask & 1) e.note = ch.lastNote = p.data[at++];
        // Instrument byte 0 names no instrument (see DamagedRowsPlayNothingOutsideTheirTables).
        if (mask & 2) {
            e.instrument = ch.lastInstrument = p.data[at] ? p.data[at] - 1 : kVssNone;
            ++at;
        }
        if (mask & 4) e.volume = ch.lastVolumeByte = p.data[at++];
        if (mask & 8) {
            e.effect = ch.lastEffect = p.data[at++];
            e.parameter = ch.lastParameter = p.data[at++];
        }
        if (mask & 16) e.note = ch.lastNote;
        if (mask & 32) e.instrument = ch.lastInstrument;
        if (mask & 64) e.volume = ch.lastVolumeByte;
        if (mask & 128) {
            e.effect = ch.lastEffect;
            e.parameter = ch.lastParameter;
        }
        if (play) PlayEntry(m, &ch, e);
    }
    m->readPosition = std::min(at, p.length);
}

uint8_t OrderAt(const VssModule* m, int32_t order) {
    // The loader appends an end marker, so numOrders itself is a valid index: a list
    // without 0xFF ends as if it had one (see OrderListRules).
    if (order < 0 || order > m->numOrders) return kOrderEnd;
    return m->orders[order];
}

// Moves to the next order's pattern; false at the end of the song.
bool ChangePattern(VssModule* m) {
    int32_t order = m->nextOrder;
    int32_t row = m->nextRow;
    // 0xFE in the order list is a separator: step over it (see OrderListRules).
    while (OrderAt(m, order) == kOrderSeparator) ++order;
    const uint8_t entry = OrderAt(m, order);
    m->playerOrder.store(order, std::memory_order_relaxed);
    if (entry == kOrderEnd) return false;
    m->currentPattern = entry < m->numPatterns ? entry : 0;
    const VssPattern& p = m->patterns[m->currentPattern];
    m->patternRows = p.rows;
    m->readPosition = 0;
    // A break to a row the pattern lacks starts it from the top.
    if (row >= p.rows) row = 0;
    for (int32_t r = 0; r < row; ++r) DecodeRow(m, false);
    m->playerRow.store(row, std::memory_order_relaxed);
    m->nextOrder = order + 1;
    m->nextRow = 0;
    return true;
}

void SetUpEnvelopes(VssVoice* v, const VssInstrument& ins) {
    for (int e = 0; e < 3; ++e) {
        const VssEnvelope& from = ins.envelopes[e];
        VssVoiceEnvelope& to = v->envelopes[e];
        // An envelope without a table cannot run, whatever its flags say.
        to.flags = from.values ? from.flags : 0;
        to.sustainBegin = from.sustainBegin;
        to.sustainEnd = from.sustainEnd;
        to.loopBegin = from.loopBegin;
        to.loopEnd = from.loopEnd;
        to.lastTick = from.lastTick;
        to.tick = 0;
        to.value = 256;
        to.values = from.values;
    }
}

int32_t ChannelPan(const VssChannel* ch) {
    // Bit 7 marks a disabled channel; 100 is IT's surround, which plays in the middle here
    // rather than hard to one side as a plain limit to 64 would put it (see
    // SurroundChannelPlaysCentred).
    int32_t pan = ch->pan & 0x7F;
    return pan > 64 ? 32 : pan;
}

// The volume factor and the pans of a note, drawn from the random ring.
void NoteVolumeAndPan(const VssModule* m, const VssChannel* ch, VssVoice* v, const VssInstrument& ins,
                      const VssSample& s, int32_t note) {
    const int32_t r = VssNextRandom();
    v->volumeFactor = ((((r * ins.randomVolume) >> 15) + ins.globalVolume) * s.globalVolume * m->mixVolume) >> 12;
    const int32_t r2 = VssNextRandom();
    v->panVariation = ((r2 * ins.randomPan) >> 15) + (((note - ins.pitchPanCentre) * ins.pitchPanSeparation) >> 3);
    if (!(ins.defaultPan & 0x80)) v->pan = ClampValue(ins.defaultPan & 0x7F, 0, 64);
    else if (s.defaultPan & 0x80) v->pan = ClampValue(s.defaultPan - 128, 0, 64);
    else v->pan = ChannelPan(ch);
}

// Detaches a voice from its channel by a new note action or a duplicate check.
void SendToBackground(VssChannel* ch, VssVoice* v, int32_t flags) {
    v->state = kVssVoiceBackground;
    v->flags |= flags;
    if (ch->voice == v) ch->voice = nullptr;
}

void ApplyAction(VssChannel* ch, VssVoice* v, int32_t action) {
    switch (action) {
    case 0: VssReleaseVoice(v); break;
    case 1: SendToBackground(ch, v, kVssVoiceKeyReleased); break;
    default: SendToBackground(ch, v, kVssVoiceFading); break;
    }
}

}  // namespace

VssVoice* VssChannelVoice(VssChannel* ch) {
    VssVoice* v = ch->voice;
    return v && v->state != kVssVoiceFree && v->channel == ch ? v : nullptr;
}

bool VssStartNote(VssModule* m, VssChannel* ch, int32_t note, int32_t instrument) {
    if (note == kVssNone && instrument == kVssNone) return false;
    const bool noteGiven = note != kVssNone;
    VssVoice* voice = VssChannelVoice(ch);
    if (!noteGiven) note = ch->lastNote;
    bool keep = false;
    int32_t keptVolume = 0, keptPan = 0;
    if (instrument == kVssNone) {
        instrument = ch->lastInstrument;
        keep = true;
        keptVolume = voice ? voice->volume : ch->savedVolume;
        keptPan = voice ? voice->pan : ch->savedPan;
    }
    if (note == kVssNoteOff) {
        if (voice) voice->flags |= kVssVoiceKeyReleased;
        return false;
    }
    if (note == kVssNoteCut) {
        if (voice) VssReleaseVoice(voice);
        return false;
    }
    if (note < 0 || note >= 120) return false;
    if (instrument < 0 || instrument >= m->numInstruments) return false;
    const VssInstrument& ins = m->instruments[instrument];
    const VssKey& key = ins.keyboard[note];
    if (!key.sample) return false;

    if (!noteGiven && voice && voice->sampleRecord) {
        // An instrument alone restarts the sounding voice where it is: its volume, pans,
        // fade volume and envelopes start again from the named instrument, but the voice
        // keeps the instrument, sample and fade rate of the note that started it (see
        // InstrumentAloneKeepsTheVoicesInstrumentAndFadeRate).
        voice->state = kVssVoiceActive;
        voice->flags = 0;
        voice->startDelay = 0;
        NoteVolumeAndPan(m, ch, voice, ins, *voice->sampleRecord, voice->note);
        voice->volume = ClampValue(voice->sampleRecord->defaultVolume, 0, 64);
        voice->fadeVolume = 1024;
        SetUpEnvelopes(voice, ins);
        return false;
    }

    if (voice) {
        switch (voice->newNoteAction) {
        case 0: VssReleaseVoice(voice); break;
        case 1: SendToBackground(ch, voice, 0); break;
        case 2: SendToBackground(ch, voice, kVssVoiceKeyReleased); break;
        default: SendToBackground(ch, voice, kVssVoiceFading); break;
        }
        if (voice->state != kVssVoiceFree) {
            bool same = false;
            switch (voice->dupCheckType) {
            case 1: same = voice->note == note; break;
            case 2: same = voice->sampleRecord == key.sample; break;
            case 3: same = voice->instrument == &ins; break;
            default: break;
            }
            if (same) ApplyAction(ch, voice, voice->dupCheckAction);
        }
    }

    VssVoice* v = VssChooseVoice(m);
    if (!v) return false;
    const int32_t number = static_cast<int32_t>(v - m->voices) + 1;
    if (number > m->voicesInUse) m->voicesInUse = number;
    VssReleaseVoice(v);
    *v = VssVoice{};
    v->channel = ch;
    ch->voice = v;
    ch->arpeggioStep = 0;
    ch->tremorPhase = ch->tremorCounter = 0;
    ch->retriggerCounter = 0;
    ch->vibratoPhase = ch->tremoloPhase = ch->panbrelloPhase = 0;
    ch->panbrelloCounter = 0;

    const VssSample& s = *key.sample;
    v->state = kVssVoiceActive;
    v->instrument = &ins;
    v->sampleRecord = &s;
    v->note = note;
    NoteVolumeAndPan(m, ch, v, ins, s, note);
    v->volume = ClampValue(s.defaultVolume, 0, 64);
    v->frequency = key.frequency;
    v->fadeVolume = 1024;
    // A negative fade-out from a damaged file would raise the volume without end.
    v->fadeRate = std::max(0, ins.fadeOut);
    v->newNoteAction = ins.newNoteAction;
    v->dupCheckType = ins.dupCheckType;
    v->dupCheckAction = ins.dupCheckAction;
    SetUpEnvelopes(v, ins);
    v->sampleFlags = s.flags;
    v->length = s.length;
    v->data = s.data;
    v->loopBegin = s.loopBegin;
    v->loopEnd = s.loopEnd;
    v->sustainBegin = s.sustainBegin;
    v->sustainEnd = s.sustainEnd;
    v->autoVibratoSpeed = s.vibratoSpeed;
    v->autoVibratoDepth = s.vibratoDepth;
    v->autoVibratoRate = s.vibratoRate;
    v->autoVibratoWaveform = s.vibratoWaveform;
    // A tone portamento without a note of its own stays where the note is, rather than
    // sliding to whatever target an earlier G left (0 Hz after a restart) (see
    // PortamentoTargetFollowsTheNote).
    ch->portaTarget = key.frequency;
    if (keep) {
        VssVolumeColumn(m, ch, ClampValue(keptVolume, 0, 64));
        VssVolumeColumn(m, ch, 128 + ClampValue(keptPan, 0, 64));
    }
    return true;
}

void VssResetModule(VssModule* m) {
    m->globalVolume = m->fileGlobalVolume;
    m->mixVolume = m->fileMixVolume;
    m->speed = m->initialSpeed;
    m->tempo = m->initialTempo;
    m->patternRows = -1;
    m->currentTick = -1;
    m->nextOrder = 0;
    m->nextRow = 0;
    m->patternDelay = 0;
    for (int32_t i = 0; i < m->numVoices; ++i) {
        VssVoice& v = m->voices[i];
        v.state = kVssVoiceFree;
        v.channel = nullptr;
    }
    for (int c = 0; c < 64; ++c) {
        VssChannel& ch = m->channels[c];
        int32_t initialVolume = ch.initialVolume, initialPan = ch.initialPan;
        ch = VssChannel{};
        ch.initialVolume = initialVolume;
        ch.initialPan = initialPan;
        ch.volume = (initialPan & 0x80) ? 0 : initialVolume;
        ch.pan = initialPan;
        ch.volumeCommand = kVssNone;
        ch.effect = kVssNone;
    }
}

namespace {

// Everything VSS_Play does besides the playing bit; the end of the song does it too.
void RestartSong(VssModule* module) {
    VssResetModule(module);
    VssState.fetch_and(~(kVssEcho | kVssLowPass | kVssHighPass), std::memory_order_relaxed);
    vssMixer.lowPassCutoff = vssMixer.highPassCutoff = 1000;
    if (vssMixer.rate > 0) {
        VssFilterCoefficients(1000, vssMixer.rate, &vssMixer.lowA, &vssMixer.lowB);
        VssFilterCoefficients(1000, vssMixer.rate, &vssMixer.highA, &vssMixer.highB);
    }
}

// Steps the tick counter and, when a row ends, the row and the order; true when a new
// row begins (it is decoded next).
bool StepRow(VssModule* m) {
    // At most two song restarts in one tick: a song whose every order is empty stops
    // turning instead of spinning.
    for (int restarts = 0; restarts < 2; ++restarts) {
        m->currentTick += 1;
        if (m->currentTick != 0 && m->currentTick < m->speed) return false;
        if (m->currentTick >= m->speed && m->patternDelay != 0) {
            // A pattern delay makes the row one tick longer; the tick count goes on.
            m->patternDelay -= 1;
            return false;
        }
        const int32_t row = m->playerRow.load(std::memory_order_relaxed) + 1;
        m->currentTick = 0;
        if (m->patternRows != -1 && row != m->patternRows) {
            m->playerRow.store(row, std::memory_order_relaxed);
            return true;
        }
        if (ChangePattern(m)) return true;
        vssMixer.loopCount += 1;
        if (VssState.load(std::memory_order_relaxed) & kVssRestartByJump) {
            VSS_SetPosition(0, 0);
        } else {
            RestartSong(m);
        }
    }
    return false;
}

}  // namespace

void VSS_Play(VssModule* module) {
    if (!module) return;
    VssLock lock;
    VssState.fetch_and(~kVssPlaying, std::memory_order_acq_rel);
    vssMixer.module = module;
    vssMixer.loopCount = 0;
    RestartSong(module);
    VssState.fetch_or(kVssPlaying, std::memory_order_release);
}

void VSS_Stop() {
    VssLock lock;  // no mix call is left running on the module when it returns
    VssState.fetch_and(~kVssPlaying, std::memory_order_release);
}

void VssPlayerTick(VssModule* m) {
    if (StepRow(m)) DecodeRow(m, true);
    VssHeardTick(m);
    // Per-tick modifiers start from nothing; the effects set them again.
    const int32_t inUse = std::min(m->voicesInUse, m->numVoices);
    for (int32_t i = 0; i < inUse; ++i) {
        VssVoice& v = m->voices[i];
        v.volumeOffset = v.panOffset = v.vibratoIndex = v.frequencyOffset = 0;
    }
    for (int c = 0; c < 64; ++c) {
        VssChannel* ch = &m->channels[c];
        if (ch->volumeHandler) ch->volumeHandler(m, ch, ch->volumeParameter);
        if (ch->effectHandler) ch->effectHandler(m, ch, ch->effectParameter);
    }
}
