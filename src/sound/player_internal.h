// player_internal.h -- what the player (player.cpp: ticks, rows, orders, note starts) and
// its effects (player_effects.cpp: the volume column and one handler per effect letter)
// share. Nothing else includes it, except the player's tests.
#pragma once

#include <cstdint>

#include "sound/sound_internal.h"

constexpr int32_t kVssNone = -1;
constexpr int32_t kVssNoteCut = 254;
constexpr int32_t kVssNoteOff = 255;
constexpr int32_t kVssEffectG = 7;
constexpr int32_t kVssEffectS = 19;
constexpr int32_t kVssEffectCount = 27;  // 1 = A .. 26 = Z; 0 is no effect

// Decode-time part of an effect: resolves the parameter's memory into the channel's
// effect parameter, does what happens once, and steps back once where the tick handler
// must not change anything on tick 0. noteStarted: a note started on this channel in
// this row decode.
using VssRowEffect = void (*)(VssModule*, VssChannel*, int32_t parameter, bool noteStarted);

extern const VssRowEffect kVssRowEffects[kVssEffectCount];
extern const VssTickHandler kVssTickEffects[kVssEffectCount];

// The channel's current voice; null when it has none or when the voice was freed without
// the channel being told (VSS_SetPosition frees voices in place).
VssVoice* VssChannelVoice(VssChannel* channel);

// Note start with new note action, duplicate check and voice choice. note and instrument
// are kVssNone when the row has none. True when a new voice started.
bool VssStartNote(VssModule* module, VssChannel* channel, int32_t note, int32_t instrument);

// One volume-column byte (kVssNone: nothing): its action now and its tick handler for
// the rest of the row.
void VssVolumeColumn(VssModule* module, VssChannel* channel, int32_t value);

// Sets the pan of the channel and of its voice (pan variation dropped).
void VssSetPan(VssChannel* channel, int32_t pan);
