// render_thread.cpp -- the render window's thread: it opens the window, switches the
// display, makes the GL context current, signals "V3D_Init", then runs the window's
// message loop, drawing each posted scene and signalling "V3D_Render" when the frame is
// swapped. The window-destroy message ends the loop; the thread then releases the
// context, closes the window, restores the display and signals "V3D_Kill".
//
// A failing start-up step leaves its text in the error text, releases what it had
// obtained, and signals "V3D_Init" with the failure flag set, so Init fails at once
// instead of waiting out its time-out.
#include "engine/gl/render_thread.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "engine/gl/gl_engine.h"

namespace {
std::atomic<platform::WindowProc> renderWindowHook{nullptr};

intptr_t RenderWindowProc(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case platform::kMsgCreate:
        return 0;
    case platform::kMsgDestroy:
        platform::PostQuitMessage(window);
        return 0;
    default:
        if (platform::WindowProc hook = renderWindowHook.load()) return hook(window, message, wParam, lParam);
        return platform::DefaultWindowProc(window, message, wParam, lParam);
    }
}

void SignalNamed(const char* name) {
    if (std::shared_ptr<platform::Signal> signal = platform::OpenNamedSignal(name)) signal->Set();
}
}  // namespace

void SetRenderWindowHook(platform::WindowProc hook) { renderWindowHook.store(hook); }

void OpenGLEngine::RenderWindowThread() {
    platform::RaiseProcessPriority();
    platform::Window* created = nullptr;
    std::string reason;
    auto fail = [&](const char* text) {
        SetError(text);
        std::fprintf(stderr, "render window: %s (%s)\n", text, reason.c_str());
        if (created) {
            platform::ReleaseGLContext(created);
            platform::RestoreDisplayMode(created);
            platform::DestroyRenderWindow(created);
        }
        window.store(nullptr);
        initFailed = true;
        SignalNamed("V3D_Init");
    };

    // The cursor is hidden while the show runs; Kill gives it back.
    const int counter = platform::ShowCursor(false);
    cursorCount = counter + 1;
    if (cursorCount > 1)
        while (platform::ShowCursor(false) > 0) {
        }

    created = platform::CreateRenderWindow(applicationName, width, height, bitsPerPixel, RenderWindowProc, &reason);
    if (!created) return fail("Could not create rendering window");
    startingWindow = created;
    if (!SwitchToFullscreen()) return fail("Could not switch to fullscreen mode");
    if (!platform::SetPixelFormat(created, bitsPerPixel, &reason))
        return fail("Could not set desired pixel format in rendering window");
    if (!platform::CreateGLContext(created, &reason))
        return fail("Could not aquire GL rendering context for rendering window");
    if (!platform::MakeGLContextCurrent(created)) return fail("Could not make GL rendering context current");
    int clientWidth = 0, clientHeight = 0;
    if (!platform::GetClientSize(created, &clientWidth, &clientHeight))
        return fail("Could not get client rectangle size");
    width = clientWidth;
    height = clientHeight;
    SetFixedGLState();
    window.store(created);
    SignalNamed("V3D_Init");

    platform::Message message;
    for (;;) {
        const int got = platform::GetWindowMessage(created, &message);
        if (got == 0 || got == -1) break;
        if (message.message == kMsgRenderScene) {
            DrawScene(reinterpret_cast<Scene*>(message.lParam));
            SignalNamed("V3D_Render");
        } else if (message.message == kMsgPrepareScene) {
            PrepareSceneNow(reinterpret_cast<Scene*>(message.lParam));
            SignalNamed("V3D_Render");
        } else {
            platform::DispatchWindowMessage(created, message);
        }
    }

    platform::ReleaseGLContext(created);
    platform::DestroyGLContext(created);
    window.store(nullptr);
    platform::RestoreDisplayMode(created);
    platform::DestroyRenderWindow(created);
    SignalNamed("V3D_Kill");
}
