// sound_test_util.h -- shared set-up for the sound tests: the mixer without a device, and
// the real-file corpus beside the checkout.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/random.h"
#include "sound/sound_internal.h"

inline void SetUpMixer(int format = kVss16BitStereo, int rate = 44100, int voices = 32) {
    VssState = 0;
    SeedRandom(17);
    ASSERT_EQ(VssMixerSetup(format, 1, rate, voices), 1);
}

inline std::filesystem::path CorpusDir() { return std::filesystem::path(UMBRAVEL_CORPUS_DIR) / "it"; }

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ModuleDeleter {
    void operator()(VssModule* m) const { VSS_FreeModule(m); }
};
using ModulePtr = std::unique_ptr<VssModule, ModuleDeleter>;

inline ModulePtr LoadBytes(const std::vector<uint8_t>& bytes, int resample = 0) {
    return ModulePtr(VSS_LoadIT(bytes.data(), bytes.size(), resample));
}
