// win32_window.cpp -- the render window on Win32: its window class and CreateWindowEx on
// the render-window thread, the message loop (posted messages, WM_CHAR, WM_TIMER), the
// primary display's modes (EnumDisplaySettings) and full-screen switching
// (ChangeDisplaySettings), WGL (pixel format, context, swap, vertical sync through
// WGL_EXT_swap_control when the driver offers it) and the cursor counter.
//
// Every call on the window (creation, destruction, timers, GL) happens on the thread that
// created it; another thread's SetWindowTimer and KillWindowTimer are sent to that thread
// and answered by it inside its GetWindowMessage.
#include "platform/win32/win32_internal.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>

namespace platform {

struct Window {
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    HGLRC gl = nullptr;
    DWORD thread = 0;
    WindowProc proc = nullptr;
    std::string className;
    bool fullscreen = false;
    std::mutex timersMutex;
    std::map<uint32_t, TimerProc> timers;  // the procedure of each running timer
};

namespace {

// Private messages of the back-end, sent by another thread to the window's own.
constexpr UINT kSetTimerRequest = WM_APP + 1;   // wParam: id, lParam: period in ms
constexpr UINT kKillTimerRequest = WM_APP + 2;  // wParam: id
constexpr UINT kRequestTimeoutMs = 5000;

LRESULT CALLBACK SystemWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetLastError(0);
        if (!SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams)) &&
            GetLastError() != 0)
            return FALSE;
        break;
    }
    case WM_CLOSE:
        // Closing the window counts as Escape: the show ends itself and destroys the window.
        PostMessageA(hwnd, WM_CHAR, 27, 0);
        return 0;
    case WM_SETCURSOR:
        // The class cursor is the arrow; the display counter decides whether it is seen.
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    case kSetTimerRequest:
        return SetTimer(hwnd, wParam, static_cast<UINT>(lParam), nullptr) != 0;
    case kKillTimerRequest:
        return KillTimer(hwnd, wParam) != 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Runs a timer request on the window's thread: at once when called there, otherwise sent
// to it (it answers inside GetWindowMessage) with a time-out, so a thread that no longer
// pumps cannot hang the caller. Called without the list's lock: the window's thread may
// need that lock before it gets to the request. A window destroyed meanwhile fails it.
bool TimerRequest(HWND hwnd, DWORD thread, UINT request, WPARAM id, LPARAM period) {
    if (GetCurrentThreadId() == thread) return SystemWindowProc(hwnd, request, id, period) != 0;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, request, id, period, SMTO_NORMAL, kRequestTimeoutMs, &result)) return false;
    return result != 0;
}

// The messages the window's owner sees: posted ones, characters and timers. Everything
// else (painting, activation, raw keys) is the system's business.
bool IsOwnersMessage(const MSG& msg) {
    return msg.message == WM_CHAR || msg.message == WM_TIMER || msg.message == WM_DESTROY ||
           (msg.message >= WM_USER && msg.message < WM_APP);
}
}  // namespace

void ReadSystemModes(std::vector<ModeInfo>* modes) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i) {
        const ModeInfo info{static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight),
                            static_cast<int>(mode.dmBitsPerPel)};
        // The system lists a mode once per refresh rate; the show asks for size and depth.
        const bool listed = std::any_of(modes->begin(), modes->end(), [&](const ModeInfo& m) {
            return m.width == info.width && m.height == info.height && m.bitsPerPixel == info.bitsPerPixel;
        });
        if (!listed) modes->push_back(info);
        mode = DEVMODEA{};
        mode.dmSize = sizeof mode;
    }
}

Window* CreateRenderWindow(const char* title, int width, int height, int colourBits, WindowProc proc,
                           std::string* error) {
    (void)colourBits;
    // The mode list is read before the display is switched.
    ModeInfo first;
    GetDisplayModeInfo(0, &first);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto* window = new Window;
    window->thread = GetCurrentThreadId();
    window->proc = proc;
    window->className = title && *title ? title : "Umbravel";

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = SystemWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconResource));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kProgramIconResource), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNSHADOW + 1));
    windowClass.lpszClassName = window->className.c_str();
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        if (error) *error = Win32ErrorText("RegisterClassEx");
        delete window;
        return nullptr;
    }

    // Full screen: a topmost pop-up at the display's origin. Windowed: a captioned window
    // whose client area has the wanted size, centred. Headless runs draw into a pop-up
    // that stays out of the way.
    DWORD style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = WS_EX_APPWINDOW | WS_EX_TOPMOST;
    int x = 0, y = 0, outerWidth = width, outerHeight = height;
    if (IsHeadless()) {
        exStyle = WS_EX_APPWINDOW;
    } else if (GetOptions().windowed) {
        style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE | WS_CLIPSIBLINGS |
                WS_CLIPCHILDREN;
        exStyle = WS_EX_APPWINDOW;
        RECT rect{0, 0, width, height};
        if (!AdjustWindowRectEx(&rect, style, FALSE, exStyle)) {
            if (error) *error = Win32ErrorText("AdjustWindowRectEx");
            UnregisterClassA(window->className.c_str(), instance);
            delete window;
            return nullptr;
        }
        outerWidth = rect.right - rect.left;
        outerHeight = rect.bottom - rect.top;
        x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2);
        y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2);
    }
    window->hwnd = CreateWindowExA(exStyle, window->className.c_str(), window->className.c_str(), style, x, y,
                                   outerWidth, outerHeight, nullptr, nullptr, instance, window);
    if (!window->hwnd) {
        if (error) *error = Win32ErrorText("CreateWindowEx");
        UnregisterClassA(window->className.c_str(), instance);
        delete window;
        return nullptr;
    }
    ShowWindow(window->hwnd, SW_SHOW);
    UpdateWindow(window->hwnd);
    window->dc = GetDC(window->hwnd);
    if (!window->dc) {
        if (error) *error = Win32ErrorText("GetDC");
        DestroyWindow(window->hwnd);
        UnregisterClassA(window->className.c_str(), instance);
        delete window;
        return nullptr;
    }
    AddLiveWindow(window);
    return window;
}

void DestroyRenderWindow(Window* window) {
    if (!window) return;
    RemoveLiveWindow(window);
    if (window->gl) DestroyGLContext(window);
    RestoreDisplayMode(window);
    if (window->dc) ReleaseDC(window->hwnd, window->dc);
    if (!DestroyWindow(window->hwnd))
        std::fprintf(stderr, "render window: %s\n", Win32ErrorText("DestroyWindow").c_str());
    // Another window of the class may still be open (the call then fails harmlessly).
    UnregisterClassA(window->className.c_str(), GetModuleHandleA(nullptr));
    delete window;
}

bool ChangeDisplayMode(Window* window, const ModeInfo& wanted, unsigned fields) {
    if (!window) return false;
    if (GetOptions().windowed || IsHeadless()) return true;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (fields & kModeWidth) mode.dmPelsWidth = static_cast<DWORD>(wanted.width), mode.dmFields |= DM_PELSWIDTH;
    if (fields & kModeHeight) mode.dmPelsHeight = static_cast<DWORD>(wanted.height), mode.dmFields |= DM_PELSHEIGHT;
    if (fields & kModeBits) mode.dmBitsPerPel = static_cast<DWORD>(wanted.bitsPerPixel), mode.dmFields |= DM_BITSPERPEL;
    // CDS_FULLSCREEN makes the change last as long as the process: should it end on a
    // path that never restores, the system puts the desktop's mode back itself.
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
    window->fullscreen = true;
    return true;
}

void RestoreDisplayMode(Window* window) {
    if (!window || !window->fullscreen) return;
    if (ChangeDisplaySettingsA(nullptr, 0) != DISP_CHANGE_SUCCESSFUL)
        std::fprintf(stderr, "render window: the desktop's display mode could not be restored\n");
    window->fullscreen = false;
}

bool PostWindowMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    LiveWindow live(window);
    if (!live) return false;
    return PostMessageA(window->hwnd, message, wParam, lParam) != 0;
}

bool RequestWindowClose(Window* window) {
    LiveWindow live(window);
    if (!live) return false;
    return PostMessageA(window->hwnd, WM_CLOSE, 0, 0) != 0;
}

void PostQuitMessage(Window* window) {
    if (!window) return;
    if (GetCurrentThreadId() == window->thread)
        ::PostQuitMessage(0);
    else if (!PostThreadMessageA(window->thread, WM_QUIT, 0, 0))
        std::fprintf(stderr, "render window: %s\n", Win32ErrorText("PostThreadMessage").c_str());
}

int GetWindowMessage(Window* window, Message* message) {
    if (!window || !message) return -1;
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) {
            std::fprintf(stderr, "render window: %s\n", Win32ErrorText("GetMessage").c_str());
            return -1;
        }
        if (got == 0) {
            *message = {kMsgQuit, 0, 0};
            return 0;
        }
        if ((msg.hwnd == window->hwnd || msg.hwnd == nullptr) && IsOwnersMessage(msg)) {
            intptr_t timerProc = 0;
            if (msg.message == WM_TIMER) {
                std::lock_guard<std::mutex> lock(window->timersMutex);
                auto it = window->timers.find(static_cast<uint32_t>(msg.wParam));
                if (it == window->timers.end()) continue;  // killed after it was queued
                timerProc = reinterpret_cast<intptr_t>(it->second);
            }
            *message = {msg.message, msg.wParam, msg.message == WM_TIMER ? timerProc : msg.lParam};
            return 1;
        }
        // Raw keys become WM_CHAR (Escape is 27) in the queue, read on a later turn.
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

WindowProc OwnerProcedure(Window* window) { return window->proc; }

intptr_t DefaultWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // The owner's messages have no meaning to the system; a character is the system's to
    // ignore, as in any window without a text field.
    if (!window || message == kMsgChar || message >= kMsgUser || message == kMsgDestroy || message == kMsgTimer)
        return 0;
    return DefWindowProcA(window->hwnd, message, wParam, lParam);
}

bool SetWindowTimer(Window* window, uint32_t timerId, uint32_t periodMs, TimerProc proc) {
    HWND hwnd;
    DWORD thread;
    {
        LiveWindow live(window);
        if (!live || periodMs == 0) return false;
        std::lock_guard<std::mutex> timersLock(window->timersMutex);
        window->timers[timerId] = proc;
        hwnd = window->hwnd;
        thread = window->thread;
    }
    if (TimerRequest(hwnd, thread, kSetTimerRequest, timerId, static_cast<LPARAM>(periodMs))) return true;
    if (LiveWindow live{window}) {
        std::lock_guard<std::mutex> timersLock(window->timersMutex);
        window->timers.erase(timerId);
    }
    return false;
}

bool KillWindowTimer(Window* window, uint32_t timerId) {
    HWND hwnd;
    DWORD thread;
    {
        LiveWindow live(window);
        if (!live) return false;
        std::lock_guard<std::mutex> timersLock(window->timersMutex);
        if (!window->timers.erase(timerId)) return false;
        hwnd = window->hwnd;
        thread = window->thread;
    }
    return TimerRequest(hwnd, thread, kKillTimerRequest, timerId, 0);
}

bool SetPixelFormat(Window* window, int colourBits, std::string* error) {
    if (!window || !window->dc) return false;
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = static_cast<BYTE>(colourBits);
    wanted.cDepthBits = 16;
    wanted.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(window->dc, &wanted);
    if (format == 0) {
        if (error) *error = Win32ErrorText("ChoosePixelFormat");
        return false;
    }
    PIXELFORMATDESCRIPTOR chosen{};
    if (!DescribePixelFormat(window->dc, format, sizeof chosen, &chosen)) {
        if (error) *error = Win32ErrorText("DescribePixelFormat");
        return false;
    }
    if (!(chosen.dwFlags & PFD_SUPPORT_OPENGL) || !(chosen.dwFlags & PFD_DOUBLEBUFFER) || chosen.cDepthBits == 0) {
        if (error) *error = "the closest pixel format has no double-buffered OpenGL with a depth buffer";
        return false;
    }
    if (!::SetPixelFormat(window->dc, format, &wanted)) {
        if (error) *error = Win32ErrorText("SetPixelFormat");
        return false;
    }
    return true;
}

bool CreateGLContext(Window* window, std::string* error) {
    if (!window || !window->dc) return false;
    window->gl = wglCreateContext(window->dc);
    if (!window->gl) {
        if (error) *error = Win32ErrorText("wglCreateContext");
        return false;
    }
    return true;
}

bool MakeGLContextCurrent(Window* window) {
    if (!window || !window->gl) return false;
    if (!wglMakeCurrent(window->dc, window->gl)) {
        std::fprintf(stderr, "render window: %s\n", Win32ErrorText("wglMakeCurrent").c_str());
        return false;
    }
    // A watched show waits for the display's refresh; headless runs never wait. Drivers
    // without WGL_EXT_swap_control keep their own setting.
    using SwapInterval = BOOL(WINAPI*)(int);
    if (auto swapInterval = reinterpret_cast<SwapInterval>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT"))))
        swapInterval(!IsHeadless() && GetOptions().vsync ? 1 : 0);
    return true;
}

void ReleaseGLContext(Window*) { wglMakeCurrent(nullptr, nullptr); }

void DestroyGLContext(Window* window) {
    if (!window || !window->gl) return;
    if (wglGetCurrentContext() == window->gl) wglMakeCurrent(nullptr, nullptr);
    if (!wglDeleteContext(window->gl))
        std::fprintf(stderr, "render window: %s\n", Win32ErrorText("wglDeleteContext").c_str());
    window->gl = nullptr;
}

bool GetClientSize(Window* window, int* width, int* height) {
    if (!window || !window->hwnd) return false;
    RECT rect;
    if (!GetClientRect(window->hwnd, &rect)) return false;
    *width = rect.right;
    *height = rect.bottom;
    return *width > 0 && *height > 0;
}

void SwapWindowBuffers(Window* window) {
    if (!window) return;
    CaptureBeforeSwap(window);
    if (!SwapBuffers(window->dc)) std::fprintf(stderr, "render window: %s\n", Win32ErrorText("SwapBuffers").c_str());
}

int ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

}  // namespace platform
