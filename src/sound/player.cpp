// player.cpp -- the module player's entry points: starting and stopping a module and the
// tick entry the mixer calls once per tick. The tick entry steps ticks, rows and orders
// (pattern changes, 0xFE separators, the end of the song) and walks the packed rows so
// that the module's order, row and read position stay true; notes and effects are not
// played here yet.
#include "sound/sound_internal.h"

namespace {

constexpr uint8_t kOrderSeparator = 0xFE;
constexpr uint8_t kOrderEnd = 0xFF;

// Walks one packed row from the read position without playing it: the channels' masks
// change as they would, reading never passes the pattern's data.
void SkipRow(VssModule* m) {
    if (m->currentPattern < 0 || m->currentPattern >= m->numPatterns) return;
    const VssPattern& p = m->patterns[m->currentPattern];
    int32_t at = m->readPosition;
    while (at < p.length) {
        uint8_t c = p.data[at++];
        if (c == 0) break;
        VssChannel& ch = m->channels[(c - 1) & 63];
        if (c & 0x80) {
            if (at >= p.length) break;
            ch.lastMask = p.data[at++];
        }
        int32_t mask = ch.lastMask;
        if (mask & 1) at += 1;
        if (mask & 2) at += 1;
        if (mask & 4) at += 1;
        if (mask & 8) at += 2;
    }
    m->readPosition = at < p.length ? at : p.length;
}

uint8_t OrderAt(const VssModule* m, int32_t order) {
    // The loader appends an end marker, so numOrders itself is a valid index.
    if (order < 0 || order > m->numOrders) return kOrderEnd;
    return m->orders[order];
}

// Moves to the next order's pattern; false at the end of the song.
bool ChangePattern(VssModule* m) {
    int32_t order = m->nextOrder;
    int32_t row = m->nextRow;
    while (OrderAt(m, order) == kOrderSeparator) ++order;
    uint8_t entry = OrderAt(m, order);
    m->currentOrder.store(order, std::memory_order_relaxed);
    if (entry == kOrderEnd) return false;
    m->currentPattern = entry < m->numPatterns ? entry : 0;
    const VssPattern& p = m->patterns[m->currentPattern];
    m->patternRows = p.rows;
    m->readPosition = 0;
    if (row >= p.rows) row = 0;
    for (int32_t r = 0; r < row; ++r) SkipRow(m);
    m->currentRow.store(row, std::memory_order_relaxed);
    m->nextOrder = order + 1;
    m->nextRow = 0;
    return true;
}

}  // namespace

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
        ch.volumeCommand = -1;
        ch.effect = -1;
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

}  // namespace

void VSS_Play(VssModule* module) {
    if (!module) return;
    VssState.fetch_and(~kVssPlaying, std::memory_order_acq_rel);
    vssMixer.module = module;
    vssMixer.loopCount = 0;
    RestartSong(module);
    VssState.fetch_or(kVssPlaying, std::memory_order_release);
}

void VSS_Stop() { VssState.fetch_and(~kVssPlaying, std::memory_order_release); }

void VssPlayerTick(VssModule* m) {
    // At most two song restarts in one tick: a song whose every order is empty stops
    // turning instead of spinning.
    for (int restarts = 0; restarts < 2; ++restarts) {
        m->currentTick += 1;
        if (m->currentTick != 0 && m->currentTick < m->speed) break;
        if (m->currentTick >= m->speed && m->patternDelay != 0) {
            m->patternDelay -= 1;
            break;
        }
        int32_t row = m->currentRow.load(std::memory_order_relaxed) + 1;
        m->currentTick = 0;
        if (m->patternRows != -1 && row != m->patternRows) {
            m->currentRow.store(row, std::memory_order_relaxed);
            SkipRow(m);
            break;
        }
        if (ChangePattern(m)) {
            SkipRow(m);
            break;
        }
        vssMixer.loopCount += 1;
        if (VssState.load(std::memory_order_relaxed) & kVssRestartByJump) {
            VSS_SetPosition(0, 0);
        } else {
            RestartSong(m);
        }
    }
    // Per-tick modifiers start from nothing; the effects set them again.
    const int32_t inUse = m->voicesInUse < m->numVoices ? m->voicesInUse : m->numVoices;
    for (int32_t i = 0; i < inUse; ++i) {
        VssVoice& v = m->voices[i];
        v.volumeOffset = v.panOffset = v.vibratoIndex = v.frequencyOffset = 0;
    }
}
