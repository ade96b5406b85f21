// it_fuzz.cpp -- any bytes as an IT module with their size; a module that loads is played
// and mixed for three seconds. The loader caps a module's memory at kVssMaxModuleBytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "shell/random.h"
#include "sound/sound_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        SeedRandom(17);
        return VssMixerSetup(kVss16BitStereo, 1, 22050, 32) == 1;
    }();
    if (!ready) return 0;
    VssModule* module = VSS_LoadIT(data, size, size > 0 && (data[0] & 1));
    if (!module) return 0;
    VSS_Play(module);
    std::vector<uint8_t> out(22050 * 4 / 10);
    for (int i = 0; i < 30; ++i) VSS_Mix(static_cast<int>(out.size()), out.data());
    VSS_Stop();
    VSS_FreeModule(module);
    return 0;
}
