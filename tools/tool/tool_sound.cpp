// tool_sound.cpp -- umbravel-tool's sound commands: render a module offline through the
// program's own loader, player and mixer (no audio device), or print its timeline.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/random.h"
#include "sound/sound_internal.h"
#include "tool.h"

namespace {

bool ReadFile(const char* path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

VssModule* Load(const char* path, int format, int rate) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, &bytes)) {
        std::fprintf(stderr, "module: cannot read %s\n", path);
        return nullptr;
    }
    SeedRandom(17);
    if (!VssMixerSetup(format, 1, rate, 32)) {
        std::fprintf(stderr, "module: %s\n", VSS_GetErrorText(VSS_LastError));
        return nullptr;
    }
    VssModule* module = VSS_LoadIT(bytes.data(), bytes.size(), 0);
    if (!module) std::fprintf(stderr, "module: %s: %s\n", path, VSS_GetErrorText(VSS_LastError));
    return module;
}

int RunModule(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    int rate = 44100, format = kVss16BitStereo;
    double seconds = 0;
    bool timeline = false, rateGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--rate" && i + 1 < argc) {
            rate = std::atoi(argv[++i]);
            rateGiven = true;
        }
        else if (a == "--format" && i + 1 < argc) format = std::atoi(argv[++i]);
        else if (a == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (a == "--timeline") timeline = true;
        else if (!in) in = argv[i];
        else if (!out) out = argv[i];
        else {
            std::fprintf(stderr, "module: unexpected argument %s\n", argv[i]);
            return 2;
        }
    }
    if (!in || (!timeline && !out) || rate < 1024 || rate > 100000 || format < 0 || format > 3) {
        std::fprintf(stderr, "usage: umbravel-tool module IN.it OUT.wav [--rate HZ] [--format 0..3] "
                             "[--seconds S] | module IN.it --timeline [--rate HZ] [--seconds S]\n");
        return 2;
    }
    if (timeline) {
        // As the "No Sound" device does: one 8-bit mono byte per millisecond. With --rate,
        // as a device at that rate does (its ticks are closer to the module's tempo).
        const int timelineRate = rateGiven ? rate : 1000;
        VssModule* module = Load(in, kVss8BitMono, timelineRate);
        if (!module) return 1;
        const long limit = static_cast<long>((seconds > 0 ? seconds : 600) * 1000);
        VSS_Play(module);
        int32_t lastOrder = -1, lastRow = -1;
        std::vector<uint8_t> bytes(static_cast<size_t>(timelineRate / 1000 + 1));
        for (long ms = 0; ms < limit; ++ms) {
            // Jumps, breaks and loops show as the player takes them.
            const long frames = (ms + 1) * timelineRate / 1000 - ms * timelineRate / 1000;
            if (frames > 0) VSS_Mix(static_cast<int>(frames), bytes.data());
            int32_t order = module->currentOrder.load(), row = module->currentRow.load();
            if (order != lastOrder || row != lastRow) std::printf("%ld %d %d\n", ms, order, row);
            lastOrder = order;
            lastRow = row;
            // Without a length the timeline ends when the song starts over.
            if (seconds <= 0 && vssMixer.loopCount > 0) break;
        }
        VSS_FreeModule(module);
        return 0;
    }
    VssModule* module = Load(in, format, rate);
    if (!module) return 1;
    const int channels = (format & 2) ? 2 : 1, bits = (format & 1) ? 16 : 8;
    const int bytesPerFrame = channels * bits / 8;
    VSS_Play(module);
    std::vector<uint8_t> audio;
    const long limitFrames = static_cast<long>((seconds > 0 ? seconds : 600) * rate);
    std::vector<uint8_t> chunk(static_cast<size_t>(rate / 10) * bytesPerFrame);
    for (long frames = 0; frames < limitFrames;) {
        long n = std::min<long>(rate / 10, limitFrames - frames);
        VSS_Mix(static_cast<int>(n * bytesPerFrame), chunk.data());
        audio.insert(audio.end(), chunk.begin(), chunk.begin() + n * bytesPerFrame);
        frames += n;
        if (seconds <= 0 && vssMixer.loopCount > 0) break;
    }
    std::vector<uint8_t> wav;
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    Put32(wav, 36 + static_cast<uint32_t>(audio.size()));
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(wav, 16);
    Put16(wav, 1);
    Put16(wav, channels);
    Put32(wav, rate);
    Put32(wav, rate * bytesPerFrame);
    Put16(wav, bytesPerFrame);
    Put16(wav, bits);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    Put32(wav, static_cast<uint32_t>(audio.size()));
    wav.insert(wav.end(), audio.begin(), audio.end());
    FILE* f = std::fopen(out, "wb");
    if (!f || std::fwrite(wav.data(), 1, wav.size(), f) != wav.size()) {
        std::fprintf(stderr, "module: cannot write %s\n", out);
        if (f) std::fclose(f);
        return 1;
    }
    std::fclose(f);
    std::printf("%s: %.2f s at %d Hz, %s\n", out, static_cast<double>(audio.size()) / bytesPerFrame / rate, rate,
                VSS_FormatNames[format]);
    VSS_FreeModule(module);
    return 0;
}

const ToolCommand moduleCommand("module",
                                "IN.it OUT.wav [--rate HZ --format 0..3 --seconds S] | IN.it --timeline [--rate HZ]: "
                                "render a module offline, or print 'ms order row' lines",
                                RunModule);

}  // namespace
