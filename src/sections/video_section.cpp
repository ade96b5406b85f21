// video_section.cpp -- the two videos: the EH film, played full-window on a foreground
// overlay in the cuts between sections and once whole, and the War film, shown on the TV
// section's texture. Both are decoded during loading and kept as 16-bit frames; playing
// turns one frame at a time back into RGBA. Neither waits for frames: the EH film runs at
// 25 frames a second and the War film at 15 by the clock, so a slow frame loop skips
// frames and a fast one shows a frame several times.
#include <cstdlib>

#include "engine/core/engine.h"
#include "overlay/overlay.h"
#include "sections/sections.h"
#include "sections/video_frames.h"
#include "shell/demo_state.h"
#include "shell/quit.h"

namespace {
constexpr int kEhFrames = 316, kWarFrames = 361;

uint16_t* ehTable[kEhFrames];
uint16_t* warTable[kWarFrames];
VideoFrames eh{"Video\\EH\\EH%03d.jpg", kEhFrames, ehTable};
VideoFrames war{"Video\\War\\War%03d.jpg", kWarFrames, warTable};

Scene* ehScene = nullptr;
Texture* ehTexture = nullptr;
int warFrameShown = -1;

// Loads a batch and reports a failure with the video's own message. The first batch of
// a video allocates its conversion buffer at the size of the frames.
bool LoadBatch(VideoFrames& video, int first, int last, const char* notLoaded) {
    const bool firstCall = video.rgba == nullptr;
    switch (LoadVideoFrames(video, first, last, VideoDecodeThreads(), nullptr)) {
        case kFrameNotDecoded: Quit(notLoaded);
        case kFrameNoMemory: Quit("Not enough memory to load video frames");
        default: break;
    }
    if (firstCall) {
        video.rgba = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(video.pixelCount) * 4));
        if (!video.rgba) Quit("Could not allocate video texture map");
    }
    return firstCall;
}

void CreateEhDisplay() {
    GLEngine* engine = demo.engine;
    ehScene = engine->NewScene(1, 2);
    if (!ehScene) Quit("Could not create new scene");
    ehScene->GetCamera(0)->Enable();
    ehScene->SetActiveCamera(ehScene->GetCamera(0));
    ehTexture = engine->NewTexture();
    if (!ehTexture) Quit("Could not create new texture");
    Object3D* quad = CreateOverlayQuad(engine, ehTexture, nullptr);
    quad->Enable();
    ehScene->AddObject(quad);
    Object3D* lightCarrier = engine->NewObject(0, 1, 0, 0);
    if (!lightCarrier) Quit("Could not create new object");
    lightCarrier->GetLight(0)->SetType(kLightDirectional);
    lightCarrier->GetLight(0)->Enable();
    lightCarrier->Enable();
    ehScene->AddObject(lightCarrier);
}
}  // namespace

void LoadEhFrames(int first, int last) {
    if (!LoadBatch(eh, first, last, "Could not load EH video JPG")) return;
    const int32_t size[2] = {eh.width, eh.height};
    SetOverlaySize(size);
    CreateEhDisplay();
}

void LoadWarFrames(int first, int last) { LoadBatch(war, first, last, "Could not load war video JPG"); }

void PrefetchVideos() {
    PrefetchVideoFrames(eh, 0, kEhFrames - 1, VideoDecodeThreads());
    PrefetchVideoFrames(war, 0, kWarFrames - 1, VideoDecodeThreads());
}

void PlayEhFrames(int first, int last) {
    const float start = GetTime();
    const int32_t size[2] = {eh.width, eh.height};
    SetOverlaySize(size);
    for (;;) {
        if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
        const int frame = EhFrameAt(first, start, GetTime());
        if (frame > last) return;
        UnpackFrame(eh.frames[frame], eh.pixelCount, eh.rgba);
        // The texture takes the frame's own size: it is the overlay size whenever the
        // frames have one the overlay accepts, and never more than the buffer holds.
        ehTexture->SetImage(size, eh.rgba, 0);
        PlaceOverlay(ehScene->GetObject(0), ehScene->GetActiveCamera(), kOverlayForeground);
        demo.engine->Render(ehScene);
    }
}

void ShowWarFrame(Texture* texture, float timeSeconds) {
    const int frame = WarFrameAt(timeSeconds);
    if (frame == warFrameShown) return;
    warFrameShown = frame;
    UnpackFrame(war.frames[frame], war.pixelCount, war.rgba);
    const int32_t size[2] = {war.width, war.height};
    texture->SetImage(size, war.rgba, 0);
}
