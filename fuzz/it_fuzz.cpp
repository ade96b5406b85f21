// it_fuzz.cpp -- any bytes as an IT module; a module that loads is played. The input's
// last byte picks one of the four output formats (so the formats take turns over the
// corpus), the mixer runs at 22050 Hz and is asked for blocks whose sizes do not divide a
// tick, the song jumps with VSS_SetPosition and a one-shot sample taken from the input
// starts with VSS_PlaySample, the mixing goes on, and the module is freed. The loader caps
// a module's memory at kVssMaxModuleBytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "shell/random.h"
#include "sound/sound_internal.h"

namespace {

constexpr int kRate = 22050;

// Mixes `frames` output frames in blocks of `blockFrames`; every byte of every block is
// written, so reading them lets the sanitizers see a byte the mixer left out.
void Render(int format, int frames, int blockFrames) {
    const int bytesPerFrame = ((format & 1) ? 2 : 1) * ((format & 2) ? 2 : 1);
    std::vector<uint8_t> block(static_cast<size_t>(blockFrames) * bytesPerFrame);
    volatile uint8_t sum = 0;
    for (int done = 0; done < frames; done += blockFrames) {
        VSS_Mix(static_cast<int>(block.size()), block.data());
        for (uint8_t b : block) sum = sum + b;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (8u << 20)) return 0;
    const int format = size > 0 ? data[size - 1] & 3 : 0;
    // The tables depend on the rate alone; a new format needs a new set-up all the same,
    // as VSS_Init does it.
    static int preparedFormat = -1;
    if (format != preparedFormat) {
        SeedRandom(17);
        if (VssMixerSetup(format, 1, kRate, 32) != 1) return 0;
        preparedFormat = format;
    }
    VssModule* module = VSS_LoadIT(data, size, size > 0 && (data[0] & 1));
    if (!module) return 0;
    VSS_Play(module);
    // A tick at tempo 125 is 441 frames; 317 and 229 are primes, so ticks and blocks cross.
    Render(format, kRate, 317);
    const uint8_t pick = size > 2 ? data[size - 2] : 0, pick2 = size > 3 ? data[size - 3] : 0;
    VSS_SetPosition(module->numOrders > 1 ? pick % module->numOrders : 0, pick2 % 72);
    // The one-shot sample: the input's second half as 8- or 16-bit PCM.
    const size_t half = size / 2;
    VSS_PlaySample(data + half, (pick & 1) ? 16 : 8, static_cast<int>(size - half), 8000 + pick2 * 150,
                   (pick * 7) % 257, (pick2 % 65) - 32);
    Render(format, kRate / 2, 229);
    VSS_Stop();
    VSS_FreeModule(module);
    return 0;
}
