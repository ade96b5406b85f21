// gl_engine.cpp -- the engine object: the three hand-overs to the render-window thread
// (Init, Render, Kill), the error text, the message hook and profiling.
#include "engine/gl/gl_engine.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <vector>

#include "engine/gl/render_thread.h"

namespace profiling {
std::atomic<uint32_t> frameCounter{0};
std::atomic<uint32_t> polygonCounter{0};

namespace {
std::mutex frameTimesMutex;
std::vector<float> frameTimes;  // seconds between successive swaps, not yet taken
uint64_t lastSwap = 0;          // real nanoseconds; 0 before the first swap
}  // namespace

std::atomic<GLEngine::FrameObserver> frameObserver{nullptr};

void NoteFrameSwapped() {
    if (GLEngine::FrameObserver observer = frameObserver.load()) observer(GLEngine::kFrameShown);
    const uint64_t now = platform::RealNanoseconds();
    std::lock_guard<std::mutex> lock(frameTimesMutex);
    if (lastSwap != 0) frameTimes.push_back(static_cast<float>(static_cast<double>(now - lastSwap) * 1e-9));
    lastSwap = now;
}

void TakeFrameTimes(std::vector<float>* out) {
    std::lock_guard<std::mutex> lock(frameTimesMutex);
    out->swap(frameTimes);
    frameTimes.clear();
}
}  // namespace profiling

namespace {
std::atomic<uint32_t> profileStart{0};
std::atomic<uint32_t> profileStop{0};

float PerSecond(uint32_t count) {
    const uint32_t elapsed = profileStop.load() - profileStart.load();
    // No time has passed: no rate can be given, so report none.
    if (elapsed == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(count) * 1000.0 / static_cast<double>(elapsed));
}
}  // namespace

GLEngine* CreateGLEngine() { return new (std::nothrow) OpenGLEngine(); }

OpenGLEngine::OpenGLEngine() = default;

OpenGLEngine::~OpenGLEngine() {
    if (thread.joinable()) thread.detach();
}

void OpenGLEngine::SetError(const char* text) {
    std::lock_guard<std::mutex> lock(errorMutex);
    std::snprintf(errorText, sizeof errorText, "%s", text ? text : "");
}

const char* OpenGLEngine::GetErrorText() {
    std::lock_guard<std::mutex> lock(errorMutex);
    std::memcpy(errorTextRead, errorText, sizeof errorText);
    return errorTextRead;
}

void OpenGLEngine::SetApplicationName(const char* name) {
    std::snprintf(applicationName, sizeof applicationName, "%s", name ? name : "");
}

WindowHandle OpenGLEngine::GetWindow() { return window.load(); }

void OpenGLEngine::SetMessageHandler(MessageHandler handler) { SetRenderWindowHook(handler); }

int OpenGLEngine::Init(InstanceHandle instanceHandle, const DisplayDevice* selectedDevice,
                       const DisplayMode* mode) {
    instance = instanceHandle;
    if (selectedDevice) device = *selectedDevice;
    if (mode) {
        width = mode->width;
        height = mode->height;
        bitsPerPixel = mode->bitsPerPixel;
    }
    std::shared_ptr<platform::Signal> ready = platform::CreateNamedSignal("V3D_Init");
    initFailed = false;
    if (thread.joinable()) thread.detach();
    try {
        thread = std::thread(&OpenGLEngine::RenderWindowThread, this);
    } catch (const std::system_error&) {
        SetError("Could not create rendering window message thread");
        return 0;
    }
    if (!ready->Wait(kInitTimeoutMs)) {
        SetError("Timed out waiting for initialisation");
        return 0;
    }
    if (initFailed) {
        // The thread has stored its own reason and ended.
        thread.join();
        return 0;
    }
    return 1;
}

int OpenGLEngine::Render(Scene* scene) {
    if (FrameObserver observer = profiling::frameObserver.load()) observer(kFrameHandedOver);
    return HandOver(kMsgRenderScene, scene);
}

int OpenGLEngine::PrepareScene(Scene* scene) { return HandOver(kMsgPrepareScene, scene); }

int OpenGLEngine::HandOver(uint32_t message, Scene* scene) {
    std::shared_ptr<platform::Signal> done = platform::CreateNamedSignal("V3D_Render");
    if (!platform::PostWindowMessage(window.load(), message, 0, reinterpret_cast<intptr_t>(scene))) {
        SetError("No render window found to render in");
        return 0;
    }
    if (!done->Wait(kRenderTimeoutMs)) {
        SetError("Timed out waiting for render");
        return 0;
    }
    return 1;
}

int OpenGLEngine::Kill() {
    if (cursorCount > 0)
        while (platform::ShowCursor(true) < cursorCount) {
        }
    platform::Window* current = window.load();
    if (!current) {
        SetError("No rendering window exists to shutdown");
        return 0;
    }
    std::shared_ptr<platform::Signal> done = platform::CreateNamedSignal("V3D_Kill");
    if (!platform::PostWindowMessage(current, platform::kMsgDestroy, 0, 0)) {
        SetError("No render window found to shutdown");
        return 0;
    }
    if (!done->Wait(kKillTimeoutMs)) {
        SetError("Timed out waiting for shutdown");
        return 0;
    }
    if (thread.joinable()) thread.join();
    return 1;
}

void OpenGLEngine::StartProfiling() {
    profileStart = platform::WallMilliseconds();
    profiling::frameCounter = 0;
    profiling::polygonCounter = 0;
    std::vector<float> before;
    profiling::TakeFrameTimes(&before);
}

void OpenGLEngine::TakeFrameTimes(std::vector<float>* out) { profiling::TakeFrameTimes(out); }

void OpenGLEngine::SetFrameObserver(FrameObserver observer) { profiling::frameObserver.store(observer); }

void OpenGLEngine::StopProfiling() { profileStop = platform::WallMilliseconds(); }

float OpenGLEngine::GetPolygonsPerSecond() { return PerSecond(profiling::polygonCounter.load()); }

float OpenGLEngine::GetFramesPerSecond() { return PerSecond(profiling::frameCounter.load()); }
