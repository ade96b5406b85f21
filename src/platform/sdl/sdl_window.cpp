// sdl_window.cpp -- the render window on SDL2: creation on the render-window thread, its
// message queue (posted messages, timers, keyboard and window events), display modes and
// full-screen switching, the legacy GL context and the buffer swap, and the cursor counter.
//
// SDL's video subsystem is started by the thread that creates the window and stopped by
// the thread that destroys it; every SDL video call below happens on that thread, except
// the mode list, which is read once (under its own start and stop of the subsystem) and
// kept.
#include "platform/sdl/sdl_internal.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace platform {

struct Window {
    SDL_Window* sdl = nullptr;
    SDL_GLContext gl = nullptr;
    WindowProc proc = nullptr;
    int colourBits = 16;
    bool fullscreen = false;
    bool quitPosted = false;
    int cursorShown = -1;  // the visibility last applied to SDL (-1: not yet)

    struct Timer {
        uint32_t id;
        uint32_t periodMs;
        TimerProc proc;
        std::chrono::steady_clock::time_point due;
    };
    std::mutex mutex;  // guards the posted queue, the quit flag and the timers
    std::condition_variable wake;  // a message was posted or a timer was set
    std::deque<Message> posted;
    std::vector<Timer> timers;
};

namespace {
using SteadyClock = std::chrono::steady_clock;

std::atomic<int> cursorCounter{0};

}  // namespace

bool StartVideo(std::string* error) {
    static std::mutex pinMutex;
    for (int attempt = 0;; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) break;
        // The display may refuse a connection for a moment right after another closed.
        if (attempt == 100) {
            if (error) *error = SDL_GetError();
            return false;
        }
        SDL_Delay(50);
    }
    // Every later start uses the driver of the first, so the mode list read once stays
    // the display's.
    std::lock_guard<std::mutex> lock(pinMutex);
    if (const char* driver = SDL_GetCurrentVideoDriver()) SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    return true;
}

namespace {

// How long the window's thread waits for a posted message before it looks at the
// keyboard and window events again.
constexpr std::chrono::milliseconds kEventPollPeriod(10);

bool TranslateEvent(const SDL_Event& event, Window* window, Message* message) {
    switch (event.type) {
    case SDL_KEYDOWN: {
        const SDL_Keycode key = event.key.keysym.sym;
        if (key == SDLK_ESCAPE || key == SDLK_RETURN || key == SDLK_BACKSPACE || key == SDLK_TAB ||
            (key >= 32 && key < 127)) {
            *message = {kMsgChar, static_cast<uintptr_t>(key == SDLK_ESCAPE ? 27 : key), 0};
            return true;
        }
        return false;
    }
    case SDL_QUIT:
        // Closing the window counts as Escape.
        *message = {kMsgChar, 27, 0};
        return true;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE && window->sdl &&
            event.window.windowID == SDL_GetWindowID(window->sdl)) {
            *message = {kMsgChar, 27, 0};
            return true;
        }
        return false;
    default:
        return false;
    }
}

void ApplyCursor(Window* window) {
    const int shown = cursorCounter.load() >= 0 ? 1 : 0;
    if (shown != window->cursorShown) {
        SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
        window->cursorShown = shown;
    }
}
}  // namespace

void ReadSystemModes(std::vector<ModeInfo>* modes) {
    const bool wasUp = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    if (!wasUp && !StartVideo(nullptr)) return;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        modes->push_back({mode.w, mode.h, static_cast<int>(SDL_BITSPERPIXEL(mode.format))});
    }
    if (!wasUp) StopSubsystem(SDL_INIT_VIDEO);
}

Window* CreateRenderWindow(const char* title, int width, int height, int colourBits, WindowProc proc,
                           std::string* error) {
    // The mode list is read before the window's own start of the video subsystem.
    ModeInfo first;
    GetDisplayModeInfo(0, &first);
    if (!StartVideo(error)) {
        SDL_TLSCleanup();
        return nullptr;
    }
    // The pixel format: RGBA with the mode's colour depth, 16-bit depth, no stencil, double buffer.
    const int channel = colourBits <= 16 ? 5 : 8;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, colourBits <= 16 ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (!GetOptions().windowed && !IsHeadless()) flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* sdl = SDL_CreateWindow(title, GetOptions().windowed ? SDL_WINDOWPOS_CENTERED : 0,
                                       GetOptions().windowed ? SDL_WINDOWPOS_CENTERED : 0, width, height, flags);
    if (!sdl) {
        if (error) *error = SDL_GetError();
        StopSubsystem(SDL_INIT_VIDEO);
        SDL_TLSCleanup();
        return nullptr;
    }
    if (SDL_Surface* icon = ProgramIconSurface()) {
        SDL_SetWindowIcon(sdl, icon);
        SDL_FreeSurface(icon);
    }
    auto* window = new Window;
    window->sdl = sdl;
    window->proc = proc;
    window->colourBits = colourBits;
    AddLiveWindow(window);
    ApplyCursor(window);
    return window;
}

void DestroyRenderWindow(Window* window) {
    if (!window) return;
    RemoveLiveWindow(window);
    if (window->gl) DestroyGLContext(window);
    CloseSdlWindow(window->sdl);
    SDL_ShowCursor(SDL_ENABLE);
    StopSubsystem(SDL_INIT_VIDEO);
    // SDL keeps per-thread data (its error text) for every thread that calls it and frees
    // it only for the threads it started itself: the window's thread, which is the
    // caller's, is done with SDL here.
    SDL_TLSCleanup();
    delete window;
}

bool ChangeDisplayMode(Window* window, const ModeInfo& wanted, unsigned fields) {
    if (!window) return false;
    if (GetOptions().windowed || IsHeadless()) return true;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if ((fields & kModeWidth) && mode.w != wanted.width) continue;
        if ((fields & kModeHeight) && mode.h != wanted.height) continue;
        if ((fields & kModeBits) && static_cast<int>(SDL_BITSPERPIXEL(mode.format)) != wanted.bitsPerPixel)
            continue;
        if (SDL_SetWindowDisplayMode(window->sdl, &mode) != 0) continue;
        if (SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN) != 0) continue;
        window->fullscreen = true;
        return true;
    }
    return false;
}

void RestoreDisplayMode(Window* window) {
    if (window && window->fullscreen) {
        SDL_SetWindowFullscreen(window->sdl, 0);
        window->fullscreen = false;
    }
}

void RestoreDesktopMode() {}

bool PostWindowMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // The window cannot be destroyed while the list of live windows is locked: the wake-up
    // must happen under that lock too, or the render thread could destroy the window (on
    // the very message posted here) before it is woken.
    LiveWindow live(window);
    if (!live) return false;
    {
        std::lock_guard<std::mutex> queueLock(window->mutex);
        window->posted.push_back({message, wParam, lParam});
    }
    window->wake.notify_one();
    return true;
}

bool RequestWindowClose(Window* window) {
    LiveWindow live(window);
    if (!live) return false;
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = SDL_GetWindowID(window->sdl);
    return SDL_PushEvent(&event) == 1;
}

void PostQuitMessage(Window* window) {
    if (!window) return;
    {
        std::lock_guard<std::mutex> lock(window->mutex);
        window->quitPosted = true;
    }
    window->wake.notify_one();
}

// Posted messages wake the thread through the condition variable at once; keyboard and
// window events are looked at between waits, at least every kEventPollPeriod.
int GetWindowMessage(Window* window, Message* message) {
    if (!window || !message) return -1;
    for (;;) {
        SteadyClock::time_point nextDue = SteadyClock::now() + kEventPollPeriod;
        {
            std::lock_guard<std::mutex> lock(window->mutex);
            if (!window->posted.empty()) {
                *message = window->posted.front();
                window->posted.pop_front();
                return 1;
            }
            if (window->quitPosted) {
                window->quitPosted = false;
                *message = {kMsgQuit, 0, 0};
                return 0;
            }
            const SteadyClock::time_point now = SteadyClock::now();
            for (Window::Timer& timer : window->timers) {
                if (timer.due <= now) {
                    // A late timer fires once and keeps its period from now on.
                    timer.due = std::max(timer.due + std::chrono::milliseconds(timer.periodMs), now);
                    *message = {kMsgTimer, timer.id, reinterpret_cast<intptr_t>(timer.proc)};
                    return 1;
                }
                nextDue = std::min(nextDue, timer.due);
            }
        }
        ApplyCursor(window);
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (TranslateEvent(event, window, message)) return 1;
        std::unique_lock<std::mutex> lock(window->mutex);
        window->wake.wait_until(lock, nextDue, [&] { return !window->posted.empty() || window->quitPosted; });
    }
}

WindowProc OwnerProcedure(Window* window) { return window->proc; }

intptr_t DefaultWindowProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

bool SetWindowTimer(Window* window, uint32_t timerId, uint32_t periodMs, TimerProc proc) {
    LiveWindow live(window);
    if (!live || periodMs == 0) return false;
    {
        std::lock_guard<std::mutex> queueLock(window->mutex);
        const auto due = SteadyClock::now() + std::chrono::milliseconds(periodMs);
        auto it = std::find_if(window->timers.begin(), window->timers.end(),
                               [&](const Window::Timer& t) { return t.id == timerId; });
        if (it != window->timers.end())
            *it = {timerId, periodMs, proc, due};
        else
            window->timers.push_back({timerId, periodMs, proc, due});
    }
    window->wake.notify_one();
    return true;
}

bool KillWindowTimer(Window* window, uint32_t timerId) {
    LiveWindow live(window);
    if (!live) return false;
    std::lock_guard<std::mutex> queueLock(window->mutex);
    auto it = std::find_if(window->timers.begin(), window->timers.end(),
                           [&](const Window::Timer& t) { return t.id == timerId; });
    if (it == window->timers.end()) return false;
    window->timers.erase(it);
    return true;
}

bool SetPixelFormat(Window* window, int colourBits, std::string* error) {
    // SDL chose the closest format when it made the window; check that it can carry GL.
    if (!window || !(SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_OPENGL)) {
        if (error) *error = "the window has no OpenGL pixel format";
        return false;
    }
    window->colourBits = colourBits;
    return true;
}

bool CreateGLContext(Window* window, std::string* error) {
    if (!window) return false;
    window->gl = SDL_GL_CreateContext(window->sdl);
    if (!window->gl) {
        if (error) *error = SDL_GetError();
        return false;
    }
    // The GL context is made current by its creation; the caller makes it current again.
    SDL_GL_MakeCurrent(window->sdl, nullptr);
    return true;
}

bool MakeGLContextCurrent(Window* window) {
    if (!window || !window->gl) return false;
    if (SDL_GL_MakeCurrent(window->sdl, window->gl) != 0) return false;
    // A watched show waits for the display's refresh; headless runs never wait.
    SDL_GL_SetSwapInterval(!IsHeadless() && GetOptions().vsync ? 1 : 0);
    return true;
}

void ReleaseGLContext(Window* window) {
    if (window && window->sdl) SDL_GL_MakeCurrent(window->sdl, nullptr);
}

void DestroyGLContext(Window* window) {
    if (window && window->gl) {
        SDL_GL_DeleteContext(window->gl);
        window->gl = nullptr;
    }
}

bool GetClientSize(Window* window, int* width, int* height) {
    if (!window || !window->sdl) return false;
    SDL_GL_GetDrawableSize(window->sdl, width, height);
    return *width > 0 && *height > 0;
}

void SwapWindowBuffers(Window* window) {
    if (!window) return;
    CaptureBeforeSwap(window);
    SDL_GL_SwapWindow(window->sdl);
}

int ShowCursor(bool show) { return show ? ++cursorCounter : --cursorCounter; }

}  // namespace platform
