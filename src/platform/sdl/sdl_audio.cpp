// sdl_audio.cpp -- the audio-output contract on SDL2's audio devices: each device reads a
// MemoryRing from SDL's callback. The default device is opened with a null name, so SDL
// follows the system's choice; the others by name.
#include "platform/audio.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

#include <SDL.h>
#if UMBRAVEL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

#include <cstdarg>
#include <mutex>

namespace platform {

namespace {

std::mutex audioInitMutex;
int audioInitCount = 0;

#if UMBRAVEL_HAVE_ALSA
// ALSA's library prints every failed probe (a machine without a sound card has many) to
// standard error; SDL reports the failures that matter, so the library's own lines go.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

bool AcquireAudio(std::string* error) {
    std::lock_guard<std::mutex> lock(audioInitMutex);
#if UMBRAVEL_HAVE_ALSA
    if (audioInitCount == 0 && !GetOptions().verbose) snd_lib_error_set_handler(QuietAlsa);
#endif
    if (audioInitCount == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        if (error) *error = std::string("SDL audio: ") + SDL_GetError();
        return false;
    }
    ++audioInitCount;
    return true;
}

void ReleaseAudio() {
    std::lock_guard<std::mutex> lock(audioInitMutex);
    if (audioInitCount > 0 && --audioInitCount == 0) StopSubsystem(SDL_INIT_AUDIO);
}

// The ring of an SDL device: SDL's own thread takes the bytes through the callback.
class SdlRing : public MemoryRing {
public:
    SdlRing(const AudioFormat& f, int32_t latencyMs, AudioTakenHook hook) : MemoryRing(f, latencyMs, hook) {}
    ~SdlRing() override {
        Close();
        ReleaseAudio();
    }
    bool Start(std::string*) override {
        SDL_PauseAudioDevice(device, 0);
        return true;
    }
    bool Stop(std::string*) override {
        Close();
        StopWaiting();
        return true;
    }

    SDL_AudioDeviceID device = 0;

private:
    void Close() {
        // SDL_CloseAudioDevice waits for a running callback and stops the device thread.
        if (device != 0) SDL_CloseAudioDevice(device);
        device = 0;
    }
};

void SDLCALL Trampoline(void* userdata, Uint8* stream, int len) {
    static_cast<SdlRing*>(userdata)->Consume(stream, len);
}

}  // namespace

bool ListAudioOutputs(std::vector<AudioOutputInfo>* outputs, std::string* error) {
    outputs->clear();
    if (!AcquireAudio(error)) return false;
    int count = SDL_GetNumAudioDevices(0);
    // A driver may load on a machine with no sound card at all: without named devices,
    // the default device is listed only when it really opens.
    bool defaultOpens = count > 0;
    if (!defaultOpens && SDL_GetCurrentAudioDriver() != nullptr) {
        SDL_AudioSpec probe{};
        probe.freq = 22050;
        probe.format = AUDIO_S16LSB;
        probe.channels = 2;
        probe.samples = 1024;
        const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &probe, nullptr, 0);
        if (id != 0) {
            SDL_CloseAudioDevice(id);
            defaultOpens = true;
        }
    }
    if (defaultOpens) {
        // The default device comes first, opened by role; the named devices follow.
        AudioOutputInfo def;
        def.name = "Default Sound Device";
        def.isDefault = true;
        outputs->push_back(def);
    }
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        if (!name) continue;
        AudioOutputInfo info;
        info.name = name;
        info.id = name;
        outputs->push_back(info);
    }
    ReleaseAudio();
    return true;
}

std::unique_ptr<AudioRing> OpenAudioRing(Window*, const std::string& deviceId, const AudioFormat& format,
                                         int32_t latencyMs, AudioTakenHook taken, std::string* error) {
    if (!AcquireAudio(error)) return nullptr;
    auto ring = std::make_unique<SdlRing>(format, latencyMs, taken);
    // Requests of about a quarter segment keep the wake-ups close to the boundaries.
    const int32_t frames = ring->Layout().segmentSize / format.BytesPerFrame() / 4;
    int32_t pow2 = 256;
    while (pow2 * 2 <= frames && pow2 < 4096) pow2 *= 2;
    SDL_AudioSpec want{};
    want.freq = format.rate;
    want.format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = static_cast<Uint16>(pow2);
    want.callback = Trampoline;
    want.userdata = ring.get();
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device really plays.
    ring->device = SDL_OpenAudioDevice(deviceId.empty() ? nullptr : deviceId.c_str(), 0, &want, &have, 0);
    if (ring->device == 0) {
        if (error) *error = std::string("SDL_OpenAudioDevice: ") + SDL_GetError();
        return nullptr;  // the ring's end releases the audio service
    }
    return ring;
}

}  // namespace platform
