// lwo_fuzz.cpp -- any bytes through LoadLightWaveObject. The input is the object file; a
// picture it names is the input's bytes after the form (when there are some), else a
// small valid JPEG, so the decoder is reached through TIMG either way. Inputs are capped
// at 1 MiB. Every record a load makes is released afterwards, so a leak is the loader's.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

#include "codecs/codec_log.h"
#include "engine/core/engine_records.h"
#include "engine/core/lightwave_loader.h"

namespace {

// The records without a window: all the loader needs.
class RecordsEngine final : public EngineRecords {
public:
    int EnumerateDevices(DisplayDevice**, int32_t*) override { return 0; }
    int Init(InstanceHandle, const DisplayDevice*, const DisplayMode*) override { return 0; }
    int Render(Scene*) override { return 0; }
    int Kill() override { return 0; }
    void SetApplicationName(const char*) override {}
    WindowHandle GetWindow() override { return WindowHandle{}; }
    void SetMessageHandler(MessageHandler) override {}
    const char* GetErrorText() override { return ""; }
    void StartProfiling() override {}
    void StopProfiling() override {}
    float GetPolygonsPerSecond() override { return 0; }
    float GetFramesPerSecond() override { return 0; }
};

// A 16 x 16 grey baseline JPEG.
const uint8_t kPicture[] = {
#include "lwo_fuzz_picture.inc"
};

const uint8_t* gData;
size_t gSize;

uint8_t* Open(const char* name, uint32_t* size) {
    const uint8_t* bytes = kPicture;
    size_t length = sizeof kPicture;
    if (std::strcmp(name, "fuzz.lwo") == 0) {
        bytes = gData;
        length = gSize;
    } else if (gSize >= 8) {
        const uint64_t formEnd = 8 + ((uint64_t{gData[4]} << 24) | (gData[5] << 16) | (gData[6] << 8) | gData[7]);
        if (formEnd < gSize) {
            bytes = gData + formEnd;
            length = gSize - formEnd;
        }
    }
    auto* copy = static_cast<uint8_t*>(std::malloc(length ? length : 1));
    if (length) std::memcpy(copy, bytes, length);
    *size = static_cast<uint32_t>(length);
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    CodecLogSetSink([](const char*) {});
    gData = data;
    gSize = size;
    static RecordsEngine engine;
    SetObjectFileOpener(Open);
    SetPolygonWinding(size & 1);
    Object3D* object = nullptr;
    if (!LoadLightWaveObject(&engine, &object, "fuzz.lwo", 1, 1)) {
        if (object) __builtin_trap();  // a failure hands out no object
        return 0;
    }
    std::set<Surface*> surfaces;
    std::set<Texture*> textures;
    volatile float sum = 0;
    for (int i = 0; i < object->GetTriangleCapacity(); ++i) {
        const Triangle* t = object->GetTriangle(i);
        if (t->GetSurface()) surfaces.insert(t->GetSurface());
        if (t->GetTexture()) textures.insert(t->GetTexture());
        if (!t->IsEnabled()) continue;
        for (int c = 0; c < 3; ++c) sum = sum + t->GetVertex(c)->GetNormal().x + float(t->GetTexCoord(c).u);
    }
    for (Surface* s : surfaces) engine.DeleteSurface(s);
    for (Texture* t : textures) {
        std::free(t->GetPixels());
        engine.DeleteTexture(t);
    }
    engine.DeleteObject(object);
    return 0;
}
