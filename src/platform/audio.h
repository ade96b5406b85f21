// audio.h -- the audio-output contract: the list of output devices and one open output
// that pulls bytes from its owner through a callback.
//
// A back-end provides:
//   ListAudioOutputs   the output devices, the system's default device first
//   OpenAudioOutput    a device opened for a fixed rate, sample width and channel count;
//                      it starts paused
//   StartAudioOutput   the device begins calling the callback
//   CloseAudioOutput   stops the callback (no call is running or follows when it
//                      returns) and closes the device
//
// The callback runs on a thread of the back-end's own. It must fill all `count` bytes,
// quickly and without blocking: it is the audio hardware's clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct AudioOutputInfo {
    std::string name;     // the device's description, as the system gives it
    bool isDefault = false;  // the system's default device; it is opened by role, not by name
};

// Any thread. False when the system has no audio service at all; an empty list with a true
// result means the service runs but no output device is present.
bool ListAudioOutputs(std::vector<AudioOutputInfo>* outputs, std::string* error);

struct AudioFormat {
    int rate = 44100;     // frames per second
    int bits = 16;        // 8 (unsigned) or 16 (signed, little-endian)
    int channels = 2;     // 1 or 2; stereo frames are left first
    int callbackFrames = 1024;  // the wanted size of one callback's request
};

using AudioCallback = void (*)(void* user, uint8_t* bytes, int count);

struct AudioOutput;

// Main thread. `deviceName` null opens the default device. The format is used exactly;
// when the device wants another one the back-end converts. Null with a one-line reason
// in *error on failure.
AudioOutput* OpenAudioOutput(const char* deviceName, const AudioFormat& format, AudioCallback callback,
                             void* user, std::string* error);
void StartAudioOutput(AudioOutput* output);
void CloseAudioOutput(AudioOutput* output);

}  // namespace platform
