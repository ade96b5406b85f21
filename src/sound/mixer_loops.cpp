// mixer_loops.cpp -- the eight inner loops, one template. Each output sample reads the
// sample at the integer part of the position and adds its product with the gain. The
// products are those of the 256-level volume table: an 8-bit sample s gives s * gain; a
// 16-bit sample gives table[gain][high byte] + table[gain][256 + low byte], which equals
// (s * gain) >> 8 with an arithmetic shift (see SixteenBitProductMatchesTable), so the
// loops multiply instead of reading the table. Nothing here tests the format per sample.
#include "sound/mixer_loops.h"

#include <cstring>

namespace {

// A sample's data may start at any address (VSS_PlaySample takes the caller's bytes as
// they are), so a 16-bit value is copied out, not loaded through a misaligned pointer (see
// SixteenBitSampleAtAnOddAddress). The copy is a single load where the machine allows it.
template <typename Sample>
inline int32_t SampleAt(const uint8_t* bytes, uint32_t index) {
    Sample s;
    std::memcpy(&s, bytes + static_cast<size_t>(index) * sizeof(Sample), sizeof s);
    return s;
}

template <bool Stereo, bool Backwards, typename Sample>
void MixRun(int32_t* acc, const void* data, uint64_t* position, uint64_t step, int32_t n, int32_t gainA,
            int32_t gainB) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint64_t pos = *position;
    for (int32_t i = 0; i < n; ++i) {
        int32_t s = SampleAt<Sample>(bytes, static_cast<uint32_t>(pos >> 32));
        if constexpr (sizeof(Sample) == 1) {
            if constexpr (Stereo) {
                acc[2 * i] += s * gainA;
                acc[2 * i + 1] += s * gainB;
            } else {
                acc[i] += s * gainA;
            }
        } else {
            if constexpr (Stereo) {
                acc[2 * i] += (s * gainA) >> 8;
                acc[2 * i + 1] += (s * gainB) >> 8;
            } else {
                acc[i] += (s * gainA) >> 8;
            }
        }
        if constexpr (Backwards)
            pos -= step;
        else
            pos += step;
    }
    *position = pos;
}

}  // namespace

VssMixLoop VssGetMixLoop(bool stereo, bool backwards, bool sixteenBit) {
    static const VssMixLoop loops[8] = {
        MixRun<true, false, int8_t>,  MixRun<true, false, int16_t>,  MixRun<true, true, int8_t>,
        MixRun<true, true, int16_t>,  MixRun<false, false, int8_t>, MixRun<false, false, int16_t>,
        MixRun<false, true, int8_t>,  MixRun<false, true, int16_t>,
    };
    return loops[(stereo ? 0 : 4) + (backwards ? 2 : 0) + (sixteenBit ? 1 : 0)];
}
