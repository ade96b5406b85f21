// mixer_loops.h -- the mixer's inner loops: n samples of one voice added into the
// accumulator block, without interpolation, one per sample width, direction and output
// layout.
#pragma once

#include <cstdint>

// acc: the block at the first frame to fill (stereo frames are right, left). position:
// 32.32 fixed point, advanced (or moved back) by step once per output sample. gainA goes
// to the first value of a stereo frame, gainB to the second; mono loops use gainA alone.
using VssMixLoop = void (*)(int32_t* acc, const void* data, uint64_t* position, uint64_t step, int32_t n,
                            int32_t gainA, int32_t gainB);

VssMixLoop VssGetMixLoop(bool stereo, bool backwards, bool sixteenBit);
