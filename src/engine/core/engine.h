// engine.h -- the 3D engine as the rest of the program sees it: one GLEngine object and
// its 36 operations, in the order of their slots. Sections include this header (and
// records.h) only; the window, the GL context and the render thread stay behind it.
//
// Operations that can fail return 1 or 0 and leave a fixed text in GetErrorText (a later
// success does not clear it). Creating operations return null when memory runs out and
// never set the text. Every operation is called from the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/records.h"
#include "platform/platform.h"

struct DisplayMode {
    int32_t width = 640;
    int32_t height = 480;
    int32_t bitsPerPixel = 16;
};

struct DisplayDevice {
    char name[64] = {};
    DisplayMode* modes = nullptr;
    int32_t modeCount = 0;
};

using InstanceHandle = void*;
using WindowHandle = platform::Window*;
using MessageHandler = platform::WindowProc;

class GLEngine {
public:
    virtual ~GLEngine() = default;

    virtual int EnumerateDevices(DisplayDevice** devices, int32_t* count) = 0;  // 0
    // Opens the render window and its thread; waits for "V3D_Init" (10 s).
    virtual int Init(InstanceHandle instance, const DisplayDevice* device, const DisplayMode* mode) = 0;
    // Hands the scene to the render thread; waits for "V3D_Render" (5 s). The records may
    // be changed again once it returns.
    virtual int Render(Scene* scene) = 0;
    // Closes the window and ends the render thread; waits for "V3D_Kill" (10 s).
    virtual int Kill() = 0;
    virtual void SetApplicationName(const char* name) = 0;
    virtual WindowHandle GetWindow() = 0;  // 5
    virtual void SetMessageHandler(MessageHandler handler) = 0;
    virtual const char* GetErrorText() = 0;
    virtual Texture* NewTexture(const Texture& source) = 0;
    virtual Texture* NewTexture() = 0;
    virtual void DeleteTexture(Texture* texture) = 0;  // 10
    virtual Surface* NewSurface(const Surface& source) = 0;
    virtual Surface* NewSurface() = 0;
    virtual void DeleteSurface(Surface* surface) = 0;
    virtual Vertex* NewVertex(const Vertex& source) = 0;
    virtual Vertex* NewVertex() = 0;  // 15
    virtual void DeleteVertex(Vertex* vertex) = 0;
    virtual Triangle* NewTriangle(const Triangle& source) = 0;
    virtual Triangle* NewTriangle() = 0;
    virtual void DeleteTriangle(Triangle* triangle) = 0;
    virtual Light* NewLight(const Light& source) = 0;  // 20
    virtual Light* NewLight() = 0;
    virtual void DeleteLight(Light* light) = 0;
    virtual Camera* NewCamera(const Camera& source) = 0;
    virtual Camera* NewCamera() = 0;
    virtual void DeleteCamera(Camera* camera) = 0;  // 25
    // The copy shares the source's arrays.
    virtual Object3D* NewObject(const Object3D& source) = 0;
    virtual Object3D* NewObject(int32_t children, int32_t lights, int32_t triangles, int32_t vertices) = 0;
    virtual void DeleteObject(Object3D* object) = 0;  // frees its arrays, never its children
    virtual Scene* NewScene(const Scene& source) = 0;
    virtual Scene* NewScene(int32_t cameras, int32_t objectSlots) = 0;  // 30
    virtual void DeleteScene(Scene* scene) = 0;  // frees its arrays, never its objects
    virtual void StartProfiling() = 0;
    virtual void StopProfiling() = 0;
    virtual float GetPolygonsPerSecond() = 0;
    virtual float GetFramesPerSecond() = 0;  // 35

    // Not among the slots above: the time each swapped frame took, for the show's
    // frame-rate report. Moves the times recorded since the last call (or since
    // StartProfiling) into *out, in seconds of real time between successive swaps: one
    // time per frame swapped over that stretch.
    virtual void TakeFrameTimes(std::vector<float>* out) { out->clear(); }
    // Not among the slots either: `observer` is called with kFrameHandedOver on the
    // caller's thread when Render hands a scene over, and with kFrameShown on the render
    // thread when that frame is swapped. Null removes it.
    enum FrameEvent { kFrameHandedOver, kFrameShown };
    using FrameObserver = void (*)(FrameEvent event);
    virtual void SetFrameObserver(FrameObserver observer) { (void)observer; }
    // Not among the slots: does now the work the scene's first frame would do for the
    // first time, so that frame does not stutter: uploads every texture with pixels that
    // the scene's objects (enabled or not, their children too) use and that was never
    // uploaded, and, when the scene has an active camera, draws it once into the back
    // buffer without showing or counting it (the GL driver prepares its code for the
    // scene's states). Main thread only; returns when the render thread is done (or after
    // the render time-out), like Render. Non-zero on success.
    virtual int PrepareScene(Scene* scene) {
        (void)scene;
        return 1;
    }
};

// The OpenGL engine; null when it cannot be allocated.
GLEngine* CreateGLEngine();
