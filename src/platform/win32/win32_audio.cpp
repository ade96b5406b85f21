// win32_audio.cpp -- the audio-output contract on DirectSound. The devices are the ones
// DirectSoundEnumerate lists (a device DirectSound cannot create is left out), and the
// ring is the looping secondary buffer itself: position notifications at every segment
// boundary set the event the streaming thread waits on, and the thread locks exactly
// the part behind the play cursor and mixes straight into it.
#include "platform/win32/win32_internal.h"

#include <mmsystem.h>
#include <dsound.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/audio.h"

namespace platform {

namespace {

std::string GuidKey(const GUID& guid) {
    unsigned char raw[sizeof(GUID)];
    std::memcpy(raw, &guid, sizeof raw);
    std::string key;
    char hex[3];
    for (unsigned char b : raw) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        key += hex;
    }
    return key;
}

bool GuidFromKey(const std::string& key, GUID* guid) {
    if (key.size() != 2 * sizeof(GUID)) return false;
    unsigned char raw[sizeof(GUID)];
    for (size_t i = 0; i < sizeof raw; ++i) {
        unsigned value = 0;
        if (std::sscanf(key.c_str() + 2 * i, "%2x", &value) != 1) return false;
        raw[i] = static_cast<unsigned char>(value);
    }
    std::memcpy(guid, raw, sizeof raw);
    return true;
}

const char* CreateFailure(HRESULT result) {
    switch (result) {
    case DSERR_ALLOCATED: return "DirectSoundCreate() failed (DSERR_ALLOCATED)";
    case DSERR_NODRIVER: return "DirectSoundCreate() failed (DSERR_NODRIVER)";
    case DSERR_INVALIDPARAM: return "DirectSoundCreate() failed (DSERR_INVALIDPARAM)";
    case DSERR_NOAGGREGATION: return "DirectSoundCreate() failed (DSERR_NOAGGREGATION)";
    case DSERR_OUTOFMEMORY: return "DirectSoundCreate() failed (DSERR_OUTOFMEMORY)";
    default: return "DirectSoundCreate() failed (Unknown)";
    }
}

const char* BufferFailure(HRESULT result) {
    switch (result) {
    case DSERR_ALLOCATED: return "CreateSoundBuffer() failed (DSERR_ALLOCATED)";
    case DSERR_BADFORMAT: return "CreateSoundBuffer() failed (DSERR_BADFORMAT)";
    case DSERR_UNINITIALIZED: return "CreateSoundBuffer() failed (DSERR_UNINITIALIZED)";
    case DSERR_INVALIDPARAM: return "CreateSoundBuffer() failed (DSERR_INVALIDPARAM)";
    case DSERR_UNSUPPORTED: return "CreateSoundBuffer() failed (DSERR_UNSUPPORTED)";
    case DSERR_NOAGGREGATION: return "CreateSoundBuffer() failed (DSERR_NOAGGREGATION)";
    case DSERR_OUTOFMEMORY: return "CreateSoundBuffer() failed (DSERR_OUTOFMEMORY)";
    default: return "CreateSoundBuffer() failed (Unknown)";
    }
}

struct Found {
    std::string name;
    bool isDefault;
    GUID guid;
};

BOOL CALLBACK EnumerateOne(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) {
    auto* found = static_cast<std::vector<Found>*>(context);
    Found f{description ? description : "", guid == nullptr, GUID{}};
    if (guid) f.guid = *guid;
    found->push_back(f);
    return TRUE;
}

// The secondary buffer as the ring. Its two events: 0 is set at every segment boundary,
// 1 when the buffer stops.
class DirectSoundRing : public AudioRing {
public:
    DirectSoundRing(const AudioFormat& f, int32_t latencyMs, AudioTakenHook hook) : AudioRing(f, latencyMs), taken(hook) {}

    ~DirectSoundRing() override {
        if (notify) notify->Release();
        // The primary buffer, the secondary buffer, then the device.
        if (primary) primary->Release();
        if (secondary) secondary->Release();
        if (sound) sound->Release();
        for (HANDLE e : events)
            if (e) CloseHandle(e);
    }

    const char* Kind() const override { return "DirectSound"; }

    bool Open(HWND window, const GUID* guid, std::string* error) {
        HRESULT result = DirectSoundCreate(guid, &sound, nullptr);
        if (FAILED(result)) {
            sound = nullptr;
            return Fail(error, CreateFailure(result));
        }
        // Before the render window exists the desktop window stands in for it.
        if (FAILED(sound->SetCooperativeLevel(window ? window : GetDesktopWindow(), DSSCL_PRIORITY)))
            return Fail(error, "SetCooperativeLevel() failed");

        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = static_cast<WORD>(format.channels);
        wave.nSamplesPerSec = static_cast<DWORD>(format.rate);
        wave.nBlockAlign = static_cast<WORD>(format.BytesPerFrame());
        wave.nAvgBytesPerSec = wave.nBlockAlign * wave.nSamplesPerSec;
        wave.wBitsPerSample = static_cast<WORD>(format.bits);
        wave.cbSize = 0;

        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(DSBUFFERDESC1);
        desc.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY |
                       DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
        desc.dwBufferBytes = static_cast<DWORD>(layout.totalSize);
        desc.lpwfxFormat = &wave;
        result = sound->CreateSoundBuffer(&desc, &secondary, nullptr);
        if (FAILED(result)) {
            secondary = nullptr;
            return Fail(error, BufferFailure(result));
        }

        DSBUFFERDESC primaryDesc{};
        primaryDesc.dwSize = sizeof(DSBUFFERDESC1);
        primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
        if (FAILED(sound->CreateSoundBuffer(&primaryDesc, &primary, nullptr))) {
            primary = nullptr;
            return Fail(error, "CreateSoundBuffer() (primary) failed");
        }
        DSBCAPS caps{};
        caps.dwSize = sizeof caps;
        if (FAILED(primary->GetCaps(&caps))) return Fail(error, "GetCaps() failed");
        if (FAILED(primary->SetFormat(&wave))) return Fail(error, "SetFormat() failed");

        if (FAILED(secondary->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify)))) {
            notify = nullptr;
            return Fail(error, "QueryInterface() failed");
        }
        for (HANDLE& e : events) {
            e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            if (!e) return Fail(error, "CreateEvent() failed");
        }

        // A notification at every segment boundary, the last one on the buffer's last
        // byte, and one when the buffer stops.
        std::vector<DSBPOSITIONNOTIFY> positions;
        for (int32_t i = 1; i < layout.segmentCount; ++i)
            positions.push_back({static_cast<DWORD>(layout.segmentSize * i), events[0]});
        positions.push_back({static_cast<DWORD>(layout.totalSize - 1), events[0]});
        positions.push_back({static_cast<DWORD>(DSBPN_OFFSETSTOP), events[1]});
        if (FAILED(notify->SetNotificationPositions(static_cast<DWORD>(positions.size()), positions.data())))
            return Fail(error, "SetNotificationPositions() failed");
        return true;
    }

    bool Start(std::string* error) override {
        if (FAILED(secondary->Play(0, 0, DSBPLAY_LOOPING))) return Fail(error, "Play() failed");
        return true;
    }

    bool Stop(std::string* error) override {
        const bool stopped = SUCCEEDED(secondary->Stop());
        // The stop notification wakes the thread; the event is set here too, so that the
        // thread ends even when the buffer could not be stopped or the system sends none.
        SetEvent(events[1]);
        if (!stopped) return Fail(error, "Stop() (secondary buffer) failed");
        return true;
    }

    AudioWake WaitSegment(uint32_t timeoutMs) override {
        const DWORD result = WaitForMultipleObjects(2, events, FALSE, timeoutMs);
        switch (result) {
        case WAIT_OBJECT_0: return AudioWake::Segment;
        case WAIT_OBJECT_0 + 1: return AudioWake::Stopped;
        case WAIT_TIMEOUT: return AudioWake::Timeout;
        case WAIT_FAILED: return AudioWake::Failed;
        default: return AudioWake::Invalid;
        }
    }

    bool GetPlayCursor(int32_t* offset) override {
        DWORD play = 0, write = 0;
        if (FAILED(secondary->GetCurrentPosition(&play, &write)) || play >= static_cast<DWORD>(layout.totalSize))
            return false;
        *offset = static_cast<int32_t>(play);
        // The cursor's progress since the last reading is what the device has taken.
        const int32_t moved = (*offset - lastPlay + layout.totalSize) % layout.totalSize;
        lastPlay = *offset;
        if (taken) taken(moved / format.BytesPerFrame());
        return true;
    }

    bool Lock(int32_t offset, int32_t bytes, AudioRegion regions[2]) override {
        regions[0] = regions[1] = AudioRegion{};
        void* first = nullptr;
        void* second = nullptr;
        DWORD firstSize = 0, secondSize = 0;
        if (FAILED(secondary->Lock(static_cast<DWORD>(offset), static_cast<DWORD>(bytes), &first, &firstSize, &second,
                                   &secondSize, 0)))
            return false;
        regions[0] = AudioRegion{static_cast<uint8_t*>(first), static_cast<int32_t>(firstSize)};
        regions[1] = AudioRegion{static_cast<uint8_t*>(second), static_cast<int32_t>(secondSize)};
        return true;
    }

    bool Unlock(const AudioRegion regions[2]) override {
        return SUCCEEDED(secondary->Unlock(regions[0].bytes, static_cast<DWORD>(regions[0].size), regions[1].bytes,
                                           static_cast<DWORD>(regions[1].size)));
    }

private:
    static bool Fail(std::string* error, const char* text) {
        if (error) *error = text;
        return false;
    }

    AudioTakenHook taken;
    LPDIRECTSOUND sound = nullptr;
    LPDIRECTSOUNDBUFFER primary = nullptr;
    LPDIRECTSOUNDBUFFER secondary = nullptr;
    LPDIRECTSOUNDNOTIFY notify = nullptr;
    HANDLE events[2] = {nullptr, nullptr};
    int32_t lastPlay = 0;  // streaming thread
};

}  // namespace

bool ListAudioOutputs(std::vector<AudioOutputInfo>* outputs, std::string* error) {
    outputs->clear();
    std::vector<Found> found;
    if (FAILED(DirectSoundEnumerateA(EnumerateOne, &found))) {
        if (error) *error = "DirectSoundEnumerate() failed";
        return false;
    }
    for (const Found& f : found) {
        // A device DirectSound cannot create is no device: Windows then answers
        // DSERR_NODRIVER, Wine without a sound system DSERR_INVALIDPARAM.
        LPDIRECTSOUND sound = nullptr;
        if (FAILED(DirectSoundCreate(f.isDefault ? nullptr : &f.guid, &sound, nullptr)) || !sound) continue;
        sound->Release();
        AudioOutputInfo info;
        info.name = f.name;
        info.isDefault = f.isDefault;
        if (!f.isDefault) info.id = GuidKey(f.guid);
        outputs->push_back(info);
    }
    return true;
}

std::unique_ptr<AudioRing> OpenAudioRing(Window* window, const std::string& deviceId, const AudioFormat& format,
                                         int32_t latencyMs, AudioTakenHook taken, std::string* error) {
    GUID guid{};
    if (!deviceId.empty() && !GuidFromKey(deviceId, &guid)) {
        if (error) *error = "DirectSoundCreate() failed (DSERR_INVALIDPARAM)";
        return nullptr;
    }
    auto ring = std::make_unique<DirectSoundRing>(format, latencyMs, taken);
    if (!ring->Open(WindowHandle(window), deviceId.empty() ? nullptr : &guid, error)) return nullptr;
    return ring;
}

}  // namespace platform
