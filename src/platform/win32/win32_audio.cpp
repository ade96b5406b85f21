// win32_audio.cpp -- the audio-output contract on Windows. Not yet built: DirectSound
// output. Until then the system lists no output device, so the sound system offers
// "No Sound" alone and the show runs silent (captures still mix and write sound.wav).
#include "platform/audio.h"

namespace platform {

struct AudioOutput {};

bool ListAudioOutputs(std::vector<AudioOutputInfo>* outputs, std::string*) {
    outputs->clear();
    return true;
}

AudioOutput* OpenAudioOutput(const char*, const AudioFormat&, AudioCallback, void*, std::string* error) {
    if (error) *error = "this Windows build has no sound output device";
    return nullptr;
}

void StartAudioOutput(AudioOutput*) {}
void CloseAudioOutput(AudioOutput*) {}

}  // namespace platform
