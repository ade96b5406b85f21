// loading_screen.cpp -- the loading screen: "Loading.jpg" on a foreground overlay, with a
// progress bar painted into the picture itself, drawn once per loading step. There is no
// animation between steps.
#include "shell/loading_screen.h"

#include <algorithm>
#include <cstdlib>

#include "codecs/image.h"
#include "engine/core/engine.h"
#include "filestore/filestore.h"
#include "overlay/overlay.h"
#include "shell/demo_state.h"
#include "shell/quit.h"

namespace {
constexpr int kBarLeft = 15, kBarTop = 166, kBarBottom = 203, kBarLength = 225;
constexpr uint8_t kBarColour[4] = {190, 150, 210, 255};

int32_t pictureWidth = 0, pictureHeight = 0;
uint8_t* pixels = nullptr;
Scene* loadingScene = nullptr;
Texture* loadingTexture = nullptr;
}  // namespace

int LoadingBarRight(int step, int total) {
    return kBarLeft - static_cast<int>(static_cast<float>(step) / static_cast<float>(total) * -kBarLength);
}

void PaintLoadingBar(uint8_t* buffer, int32_t width, int32_t height, int step, int total) {
    // The bar's place is fixed; a picture too small for it gets the part that fits.
    const int right = std::min(LoadingBarRight(step, total), width - 1);
    const int bottom = std::min(kBarBottom, height - 1);
    for (int y = kBarTop; y <= bottom; ++y)
        for (int x = kBarLeft; x <= right; ++x)
            std::copy(kBarColour, kBarColour + 4, buffer + (static_cast<size_t>(y) * width + x) * 4);
}

void LoadingScreenInit() {
    RgbImage* picture = LoadJpegImage("Loading.jpg");
    if (!picture) Quit("Could not load loading screen JPG");
    pictureWidth = picture->width;
    pictureHeight = picture->height;
    pixels = MakeRgbaPixels(*picture, 255);
    if (!pixels) Quit("Could not allocate memory for loading screen");
    DestroyRgbImage(picture);

    GLEngine* engine = demo.engine;
    loadingScene = engine->NewScene(1, 2);
    // Short of memory the engine hands out records without their arrays: a scene without
    // its camera or its two slots, an object without its light, fail like no record.
    if (!loadingScene || loadingScene->cameraCount < 1 || loadingScene->objectSlots < 2)
        Quit("Could not create new scene");
    loadingScene->GetCamera(0)->Enable();
    loadingScene->SetActiveCamera(loadingScene->GetCamera(0));
    Object3D* lightCarrier = engine->NewObject(0, 1, 0, 0);
    if (!lightCarrier || lightCarrier->GetLightCapacity() < 1) Quit("Could not create new object");
    lightCarrier->GetLight(0)->SetType(kLightDirectional);
    lightCarrier->GetLight(0)->Enable();
    lightCarrier->Enable();
    loadingScene->AddObject(lightCarrier);
    loadingTexture = engine->NewTexture();
    if (!loadingTexture) Quit("Could not create new texture");
    Object3D* quad = CreateOverlayQuad(engine, loadingTexture, nullptr);
    quad->Enable();
    loadingScene->AddObject(quad);
}

void LoadingScreenStep(int step, int total) {
    if (demo.quitRequested.load(std::memory_order_relaxed)) Quit(nullptr);
    PaintLoadingBar(pixels, pictureWidth, pictureHeight, step, total);
    const int32_t size[2] = {pictureWidth, pictureHeight};
    loadingTexture->SetImage(size, pixels, 0);
    PlaceOverlay(loadingScene->GetObject(1), loadingScene->GetActiveCamera(), kOverlayForeground);
    demo.engine->Render(loadingScene);
}
