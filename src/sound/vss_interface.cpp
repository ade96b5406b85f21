// vss_interface.cpp -- the sound system's operations as the shell calls them: the device
// list, pre-initialisation, start-up and shutdown of the output, position and effect
// switches, one-shot samples, the error table and the two message boxes.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/platform.h"
#include "sound/sound_internal.h"
#include "sound/vss_lock.h"

std::atomic<int32_t> VSS_LastError{0};
std::atomic<int32_t> VssState{0};

const char* const VSS_FormatNames[4] = {"8bit Mono", "16bit Mono", "8bit Stereo", "16bit Stereo"};

const char* const VSS_ErrorText[64] = {
    "[VSS] No error",
    "[VSS] Insufficient memory",
    "[VSS] File not found or invalid filename",
    "[VSS] DPMI fatal service error",
    "[VSS] User abort",
    "[VSS] General convenience function error",
    "", "", "", "", "", "", "", "", "", "",
    "[VSS] IT module is pre-V2.02",
    "[VSS] IT module is not instrument enabled",
    "[VSS] IT module must use linear slides",
    "[VSS] IT module must not use old effects",
    "[VSS] IT module must not use compatible Gxx",
    "[VSS] IT module must contain orders to play",
    "[VSS] IT module is truncated or damaged",
    "", "", "", "", "", "", "", "", "",
    "[VSS] Bad device selection",
    "[VSS] Soundcard not found or initialisation error",
    "[VSS] Requested data type not supported by device",
    "[VSS] Requested IRQ or DMA not supported by device",
    "[VSS] Pre-initialisation out of range",
    "[VSS] Parameter outside valid range",
    "", "", "", "", "", "", "", "", "", "",
    "[VSS] Direct Sound failure",
    "[VSS] No Sound driver error",
    "", "", "", "", "", "", "", "", "", "", "", "", "", "",
};

const char* VSS_GetErrorText(int32_t code) { return code >= 0 && code < 64 ? VSS_ErrorText[code] : ""; }

namespace {

// One output device of the system, in the order the system lists them. `id` names the
// device to open; it is null for the default device, which is opened by role.
struct VssDeviceNode {
    char* name;
    char* id;
    VssDeviceNode* next;
};

struct DeviceList {
    int32_t count = -1;
    int32_t selected = -1;
    VssDeviceNode* head = nullptr;
    // One block: count entry pointers, then count slots of (longest name + 1) bytes.
    char** names = nullptr;
    std::vector<char> nameBlock;
};

DeviceList devices;

enum class Output { None, Timer, Stream, Capture };
Output startedOutput = Output::None;

char* CopyText(const std::string& text) {
    char* copy = new (std::nothrow) char[text.size() + 1];
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void FreeNodes() {
    while (devices.head) {
        VssDeviceNode* next = devices.head->next;
        delete[] devices.head->name;
        delete[] devices.head->id;
        delete devices.head;
        devices.head = next;
    }
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

void ShowBox(const char* caption, const char* format, va_list args) {
    char text[1000];
    std::vsnprintf(text, sizeof text, format, args);
    platform::ShowMessageBox(text, caption, platform::kBoxOk);
}

}  // namespace

void VssErrorBox(const char* format, ...) {
    va_list args;
    va_start(args, format);
    ShowBox("Vorn Sound System", format, args);
    va_end(args);
}

void VssFatalBox(const char* format, ...) {
    platform::RestoreDesktopMode();
    va_list args;
    va_start(args, format);
    ShowBox("Fatal Error!!", format, args);
    va_end(args);
    std::fflush(nullptr);
    std::_Exit(1);
}

int VSS_EnumDevices() {
    FreeNodes();
    std::vector<platform::AudioOutputInfo> outputs;
    std::string error;
    // A machine without any audio service is a machine without output devices: the list
    // then holds "No Sound" alone and the show still runs.
    if (!platform::ListAudioOutputs(&outputs, &error)) outputs.clear();
    VssDeviceNode** tail = &devices.head;
    for (const auto& output : outputs) {
        auto* node = new (std::nothrow) VssDeviceNode{CopyText(output.name), nullptr, nullptr};
        if (node && !output.isDefault) node->id = CopyText(output.id);
        if (!node || !node->name || (!output.isDefault && !node->id)) {
            if (node) {
                delete[] node->name;
                delete node;
            }
            VSS_LastError = 1;
            break;
        }
        *tail = node;
        tail = &node->next;
    }
    int32_t count = 1;
    size_t longest = 8;
    for (VssDeviceNode* n = devices.head; n; n = n->next) {
        ++count;
        longest = std::max(longest, std::strlen(n->name));
    }
    const size_t slot = longest + 1;
    try {
        devices.nameBlock.assign(count * sizeof(char*) + count * slot, 0);
    } catch (const std::bad_alloc&) {
        VSS_LastError = 1;
        return 0;
    }
    devices.names = reinterpret_cast<char**>(devices.nameBlock.data());
    char* slots = devices.nameBlock.data() + count * sizeof(char*);
    int32_t i = 0;
    devices.names[i] = slots;
    std::strcpy(devices.names[i++], "No Sound");
    for (VssDeviceNode* n = devices.head; n; n = n->next, ++i) {
        devices.names[i] = slots + i * slot;
        std::strcpy(devices.names[i], n->name);
    }
    devices.count = count;
    return VSS_LastError == 0 ? 1 : 0;
}

int VSS_GetNumDevices() { return devices.count; }

const char* VSS_GetDeviceName(int index) {
    if (index < 0 || index >= devices.count) return VSS_ErrorText[32];
    return devices.names[index];
}

int VSS_HasOutputDevices() { return devices.count > 1 ? 1 : 0; }

int VSS_SetDevice(int index) {
    if (index < 0 || index >= devices.count) return 0;
    devices.selected = index;
    return 1;
}

int VSS_PreInit(int releaseTicks, int latencyMs, int echoShift, int historySamples) {
    vssMixer.releaseTicks = Clamp(releaseTicks, 1, 100000);
    vssMixer.latencyMs = Clamp(latencyMs, 200, 10000);
    vssMixer.echoShift = Clamp(echoShift, 1, 4);
    vssMixer.historySamples = historySamples >= 0 && historySamples <= 8192 ? historySamples : 0;
    VSS_LastError = 0;
    return 1;
}

int VSS_Init(platform::Window* window, int format, int rateHz, int voices) {
    if (devices.selected < 0 || devices.selected >= devices.count) {
        VSS_LastError = 32;
        return 0;
    }
    if (voices < 1 || voices > 256) {
        VSS_LastError = 37;
        return 0;
    }
    // The mixer is set up before the output starts, so that the first request of the
    // device already finds the tables and the format.
    if (platform::IsCapture()) {
        // Capture: the audio follows the frames into a WAV file, at the asked format.
        if (rateHz < 1024 || rateHz > 100000 || format < 0 || format > 3) {
            VSS_LastError = 37;
            return 0;
        }
        if (!VssMixerSetup(format, 1, rateHz, voices)) return 0;
        const platform::Options& options = platform::GetOptions();
        if (!VssCaptureStart(options.captureDir.c_str(), rateHz, format, options.captureFps)) {
            if (VSS_LastError == 0) VSS_LastError = 48;
            return 0;
        }
        startedOutput = Output::Capture;
        return 1;
    }
    if (devices.selected == 0) {
        // "No Sound": one output byte is one millisecond of music.
        if (!VssMixerSetup(kVss8BitMono, 1, 1000, voices)) return 0;
        if (!VssTimerStart(window)) {
            if (VSS_LastError == 0) VSS_LastError = 49;
            return 0;
        }
        startedOutput = Output::Timer;
        return 1;
    }
    VssDeviceNode* node = devices.head;
    for (int i = 1; node && i < devices.selected; ++i) node = node->next;
    if (!node) {
        VSS_LastError = 32;
        return 0;
    }
    if (rateHz < 1024 || rateHz > 100000 || format < 0 || format > 3) {
        VSS_LastError = 37;
        return 0;
    }
    if (!VssMixerSetup(format, 1, rateHz, voices)) return 0;
    if (!VssStreamStart(window, node->id, rateHz, format, vssMixer.latencyMs)) {
        if (VSS_LastError == 0) VSS_LastError = 48;
        return 0;
    }
    startedOutput = Output::Stream;
    return 1;
}

int VSS_Kill() {
    if (devices.selected < 0 || devices.selected >= devices.count) {
        VSS_LastError = 32;
        return 0;
    }
    switch (startedOutput) {
    case Output::Timer: VssTimerStop(); break;
    case Output::Stream: VssStreamStop(); break;
    case Output::Capture: VssCaptureStop(); break;
    case Output::None: break;
    }
    startedOutput = Output::None;
    FreeNodes();
    VssState.store(0, std::memory_order_release);
    // A mixing call in progress on another thread finishes before the tables go.
    platform::SleepMs(200);
    {
        VssLock lock;
        VssMixerFree();
    }
    return VSS_LastError == 0 ? 1 : 0;
}

int VSS_SetPosition(int order, int row) {
    VssLock lock;
    VssModule* m = vssMixer.module;
    if (!m || order < 0 || order >= m->numOrders - 1 || row < 0) {
        VSS_LastError = 5;
        return 0;
    }
    int32_t entry = m->orders[order];
    if (entry >= m->numPatterns || row >= m->patterns[entry].rows) {
        VSS_LastError = 5;
        return 0;
    }
    const int32_t inUse = m->voicesInUse < m->numVoices ? m->voicesInUse : m->numVoices;
    for (int32_t i = 0; i < inUse; ++i) m->voices[i].state = kVssVoiceFree;
    m->nextOrder = order;
    m->nextRow = row;
    m->patternRows = -1;
    VSS_LastError = 0;
    return 1;
}

void VSS_EchoOn() { VssState.fetch_or(kVssEcho, std::memory_order_relaxed); }
void VSS_EchoOff() { VssState.fetch_and(~kVssEcho, std::memory_order_relaxed); }

void VSS_LowPassOn(int cutoffHz) {
    VssLock lock;
    vssMixer.lowPassCutoff = Clamp(cutoffHz, 10, 44100);
    VssFilterCoefficients(vssMixer.lowPassCutoff, vssMixer.rate, &vssMixer.lowA, &vssMixer.lowB);
    VssState.fetch_or(kVssLowPass, std::memory_order_relaxed);
}
void VSS_LowPassOff() { VssState.fetch_and(~kVssLowPass, std::memory_order_relaxed); }

void VSS_HighPassOn(int cutoffHz) {
    VssLock lock;
    vssMixer.highPassCutoff = Clamp(cutoffHz, 10, 44100);
    VssFilterCoefficients(vssMixer.highPassCutoff, vssMixer.rate, &vssMixer.highA, &vssMixer.highB);
    VssState.fetch_or(kVssHighPass, std::memory_order_relaxed);
}
void VSS_HighPassOff() { VssState.fetch_and(~kVssHighPass, std::memory_order_relaxed); }

int VSS_PlaySample(const void* data, int bits, int lengthBytes, int rateHz, int volume, int pan) {
    VssLock lock;
    VssModule* m = vssMixer.module;
    if (!data || (bits != 8 && bits != 16) || lengthBytes < 1 || rateHz < 1 || volume < 0 || volume > 256 ||
        pan < -32 || pan > 32 || !m) {
        VSS_LastError = 5;
        return 0;
    }
    VssVoice* v = VssChooseVoice(m);
    if (!v) {
        VSS_LastError = 5;
        return 0;
    }
    VssReleaseVoice(v);
    *v = VssVoice{};
    v->state = kVssVoiceActive;
    v->volume = 64;
    v->volumeFactor = volume;
    v->panVariation = pan + 32;
    v->frequency = rateHz;
    v->fadeVolume = 1024;
    for (auto& env : v->envelopes) env.value = 256;
    v->sampleFlags = bits == 16 ? kVssSample16Bit : 0;
    v->length = bits == 16 ? lengthBytes / 2 : lengthBytes;
    v->data = data;
    int32_t number = static_cast<int32_t>(v - m->voices) + 1;
    if (number > m->voicesInUse) m->voicesInUse = number;
    VSS_LastError = 0;
    return number;
}
