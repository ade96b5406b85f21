// beep.cpp -- "Beep.pcm": the teletype's key click, 80 ms of 8-bit signed mono at 22050 Hz.
// A soft two-partial tone under a raised-cosine envelope that starts and ends at silence.
#include <cmath>
#include <vector>

#include "content.h"
#include "paint.h"

namespace forge {

std::vector<uint8_t> BeepSamples() {
    constexpr int kRate = 22050;
    constexpr int kCount = kRate * 80 / 1000;  // 1764
    constexpr int kAttack = kRate * 4 / 1000;
    constexpr int kRelease = kRate * 45 / 1000;
    std::vector<uint8_t> out(kCount);
    for (int i = 0; i < kCount; ++i) {
        double t = static_cast<double>(i) / kRate;
        double env = 1.0;
        if (i < kAttack) env = 0.5 - 0.5 * std::cos(kPi * i / kAttack);
        if (i >= kCount - kRelease) env *= 0.5 - 0.5 * std::cos(kPi * (kCount - 1 - i) / kRelease);
        double tone = 0.8 * std::sin(kTau * 1320.0 * t) + 0.2 * std::sin(kTau * 2640.0 * t);
        int s = static_cast<int>(std::lround(96.0 * env * tone));
        out[i] = static_cast<uint8_t>(static_cast<int8_t>(s));
    }
    return out;
}

void MakeBeep(ContentSet& set) { set.Add("Files\\Beep.pcm", BeepSamples()); }

}  // namespace forge
