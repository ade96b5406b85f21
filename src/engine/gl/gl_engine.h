// gl_engine.h -- the OpenGL engine: the render window's thread, the scene renderer and
// the display modes behind the GLEngine operations. Only the engine's own units include
// this header.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "engine/core/engine_records.h"
#include "platform/platform.h"

// Posted to the render window with the Scene pointer in the long parameter.
inline constexpr uint32_t kMsgRenderScene = platform::kMsgUser + 208;
// The same for PrepareScene.
inline constexpr uint32_t kMsgPrepareScene = platform::kMsgUser + 209;

inline constexpr uint32_t kInitTimeoutMs = 10000;
inline constexpr uint32_t kRenderTimeoutMs = 5000;
inline constexpr uint32_t kKillTimeoutMs = 10000;

class OpenGLEngine final : public EngineRecords {
public:
    OpenGLEngine();
    ~OpenGLEngine() override;

    int EnumerateDevices(DisplayDevice** devices, int32_t* count) override;
    // Main thread only. Starts the render thread and returns when it signals that the
    // window and its GL context are ready, or that it failed (its own text then stays in
    // the error text), or when 10 s have passed.
    int Init(InstanceHandle instance, const DisplayDevice* device, const DisplayMode* mode) override;
    // Main thread only. Posts the scene and returns when the render thread signals that
    // the frame is swapped or the 5 s time-out passes; after a time-out the two threads
    // are no longer in step.
    int Render(Scene* scene) override;
    // Main thread only. Posts the window-destroy message and returns when the render
    // thread has closed the window and restored the display, or after 10 s.
    int Kill() override;
    void SetApplicationName(const char* name) override;
    WindowHandle GetWindow() override;
    void SetMessageHandler(MessageHandler handler) override;
    const char* GetErrorText() override;
    void StartProfiling() override;
    void StopProfiling() override;
    float GetPolygonsPerSecond() override;
    float GetFramesPerSecond() override;
    void TakeFrameTimes(std::vector<float>* out) override;
    void SetFrameObserver(FrameObserver observer) override;
    int PrepareScene(Scene* scene) override;

    // Main thread only: posts `message` with the scene and waits for the render thread.
    int HandOver(uint32_t message, Scene* scene);
    // Either thread: copies the text (at most 63 characters) over the error text.
    void SetError(const char* text);

    // ---- render-window thread (render_thread.cpp)
    void RenderWindowThread();

    // ---- scene drawing, render-window thread (scene_renderer.cpp)
    void SetFixedGLState();
    // `show` false: the frame is drawn into the back buffer and finished, but neither
    // swapped nor counted.
    int DrawScene(Scene* scene, bool show = true);
    void PrepareSceneNow(Scene* scene);

    // ---- display modes (display_modes.cpp)
    bool SwitchToFullscreen();

    // The engine's fields, as the operations above use them.
    DisplayDevice device;
    int32_t width = 640;
    int32_t height = 480;
    int32_t bitsPerPixel = 16;
    InstanceHandle instance = nullptr;
    std::atomic<platform::Window*> window{nullptr};
    char applicationName[64] = "Vorn V3D Application";
    int32_t cursorCount = 0;
    std::thread thread;
    std::atomic<bool> initFailed{false};
    platform::Window* startingWindow = nullptr;  // the window while the thread starts it up

    // The render cache: render-window thread only.
    uint32_t nextTextureName = 1;
    int32_t lightsThisFrame = 0;
    int32_t primitiveOpen = 0;
    int32_t texturingOn = 0;
    int32_t colourMaterialOn = 0;
    const Texture* currentTexture = kNoneYet<Texture>();
    const Surface* currentSurface = kNoneYet<Surface>();
    int32_t currentColourMode = 0;
    int32_t lightsLastFrame = 0;
    uint32_t polygonsThisFrame = 0;

    // The cache's sentinel: a value no record pointer can have.
    template <typename T>
    static const T* kNoneYet() {
        return reinterpret_cast<const T*>(uintptr_t{1});
    }

private:
    std::mutex errorMutex;
    char errorText[64] = "No Error";
    char errorTextRead[64] = "No Error";
};

// Process-wide profiling state: the render thread counts, the main thread reads after
// StopProfiling.
namespace profiling {
extern std::atomic<uint32_t> frameCounter;
extern std::atomic<uint32_t> polygonCounter;
// Render thread, after each swap: notes the real time since the previous swap.
void NoteFrameSwapped();
}  // namespace profiling
