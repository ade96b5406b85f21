// random.h -- the one pseudo-random generator of the program: the classic linear
// congruential rule, state = state * 214013 + 2531011 (mod 2^32), result bits 16..30.
// The show seeds it with 17 at start-up; some sections reseed it while loading, so every
// run draws the same sequence. The state is an atomic so that a draw on the sound thread
// is no data race; the order of draws is what keeps runs identical, so draw from one
// thread at a time. It lives below every layer that draws from it (the sound system's
// tables, the overlays, the sections), so none of them reaches up into the shell for it.
#pragma once

#include <atomic>
#include <cstdint>

namespace detail {
inline std::atomic<uint32_t> randomState{1};
}

inline void SeedRandom(uint32_t seed) { detail::randomState.store(seed, std::memory_order_relaxed); }

// 0..32767
inline int32_t Random() {
    uint32_t s = detail::randomState.load(std::memory_order_relaxed) * 214013u + 2531011u;
    detail::randomState.store(s, std::memory_order_relaxed);
    return static_cast<int32_t>((s >> 16) & 0x7FFF);
}
