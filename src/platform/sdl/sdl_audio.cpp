// sdl_audio.cpp -- the audio-output contract on SDL2's audio devices. The default device
// is opened with a null name, so SDL follows the system's choice.
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

struct AudioOutput {
    SDL_AudioDeviceID device = 0;
    AudioCallback callback = nullptr;
    void* user = nullptr;
};

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

void SDLCALL Trampoline(void* userdata, Uint8* stream, int len) {
    auto* output = static_cast<AudioOutput*>(userdata);
    output->callback(output->user, stream, len);
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
        outputs->push_back(info);
    }
    ReleaseAudio();
    return true;
}

AudioOutput* OpenAudioOutput(const char* deviceName, const AudioFormat& format, AudioCallback callback,
                             void* user, std::string* error) {
    if (!AcquireAudio(error)) return nullptr;
    auto* output = new AudioOutput;
    output->callback = callback;
    output->user = user;
    SDL_AudioSpec want{};
    want.freq = format.rate;
    want.format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = static_cast<Uint16>(format.callbackFrames);
    want.callback = Trampoline;
    want.userdata = output;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device really plays.
    output->device = SDL_OpenAudioDevice(deviceName, 0, &want, &have, 0);
    if (output->device == 0) {
        if (error) *error = std::string("SDL_OpenAudioDevice: ") + SDL_GetError();
        delete output;
        ReleaseAudio();
        return nullptr;
    }
    return output;
}

void StartAudioOutput(AudioOutput* output) {
    if (output) SDL_PauseAudioDevice(output->device, 0);
}

void CloseAudioOutput(AudioOutput* output) {
    if (!output) return;
    // SDL_CloseAudioDevice waits for a running callback and stops the device thread.
    SDL_CloseAudioDevice(output->device);
    delete output;
    ReleaseAudio();
}

}  // namespace platform
