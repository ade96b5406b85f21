// platform.h -- the services the program takes from the operating system.
//
// A back-end provides:
//   start-up       Startup / Shutdown, the run options (headless, windowed, capture)
//   clock          the high-resolution counter (real, or virtual in capture mode), wall
//                  milliseconds since start for profiling, Sleep
//   signals        platform::Signal, an auto-reset event with a timed wait, and a table of
//                  named signals ("V3D_Init" and its kin)
//   message boxes  modal boxes; headless runs print them to standard error and never wait
//   display modes  the primary display's mode list and full-screen switching
//   window         the render window with its message queue: posted messages, keyboard
//                  and window events turned into messages, window timers
//   GL context     a legacy (compatibility) OpenGL context with a 16-bit depth buffer and
//                  a double buffer, made current on the window's thread; buffer swap
//   cursor         a display counter that works like the original system's
//   capture        in capture mode every swapped frame is read back, written as a numbered
//                  PNG, handed to the frame hook (the sound capture), and the virtual clock
//                  steps by exactly 1/fps
//   audio          see audio.h
//
// The shared pieces (start-up checks, message-box fallback, clock, mode list, capture) sit
// in this folder; each back-end folder (sdl/ on Linux, win32/ on Windows) supplies the
// system calls. Nothing outside this folder includes SDL or <windows.h>. Every function here may be called from any
// thread unless its comment says otherwise.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// ---------------------------------------------------------------- start-up

struct Options {
    bool headless = false;     // message boxes print and never wait
    bool windowed = false;     // the render window is not switched to full screen
    bool capture = false;      // frame-exact offline rendering with a virtual clock
    bool verbose = false;      // diagnostic traces go to standard output
    bool vsync = true;         // a watched show waits for the display's refresh
    std::string captureDir;    // where the numbered PNGs (and the WAV) go, or a .mp4/.mkv video file
    int captureFps = 30;
    int captureWidth = 640;
    int captureHeight = 480;
};

// Main thread, first of all, before anything is printed: standard output and error reach
// the console the program was started from. A Windows program of the GUI subsystem has no
// console of its own and joins its parent's for the streams that are not redirected;
// elsewhere nothing needs doing.
void ConnectStandardStreams();
// Main thread, once, before any other call but ConnectStandardStreams. Capture mode
// implies headless. Returns false
// with a one-line reason in *error when the machine cannot run the show (no display and
// not headless, capture folder not writable, ...).
bool Startup(const Options& options, std::string* error);
// False when something the run was to write could not be written (a capture's video);
// the reason has been printed to standard error.
bool Shutdown();
const Options& GetOptions();
// The setup dialog's display choices, taken before the render window opens.
void SetDisplayPreferences(bool windowed, bool vsync);
bool IsHeadless();
bool IsCapture();

// ---------------------------------------------------------------- clock

// The high-resolution counter. Real: a steady clock in nanoseconds. Capture: a virtual
// counter that only the capture's frame swap advances, by exactly frequency/fps.
int64_t CounterFrequency();
bool QueryCounter(int64_t* value);

// Milliseconds since Startup: wall time in normal runs, virtual time in capture mode.
// The profiling figures are taken from this, never from the processor-time clock.
uint32_t WallMilliseconds();

// Real nanoseconds since Startup, in capture mode too: for measuring how long work takes,
// never for the show's timing.
uint64_t RealNanoseconds();

void SleepMs(uint32_t milliseconds);

// Render-window thread, once at its start: the process runs at high priority where the
// system lets a user raise it (Windows); elsewhere it keeps its priority.
void RaiseProcessPriority();

// ---------------------------------------------------------------- signals

// Auto-reset event: Set wakes one waiter (or the next one to wait) and resets itself.
class Signal {
public:
    Signal();
    ~Signal();
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    void Set();
    void Reset();
    // True when signalled within the time-out (and the signal is consumed), false on time-out.
    bool Wait(uint32_t timeoutMs);

private:
    struct State;
    std::unique_ptr<State> state;
};

// Named signals: Create returns the existing signal of that name or makes a new one,
// non-signalled; Open returns null when no holder of the name is left. The signal lives
// while anyone holds it.
std::shared_ptr<Signal> CreateNamedSignal(const char* name);
std::shared_ptr<Signal> OpenNamedSignal(const char* name);

// ---------------------------------------------------------------- message boxes

enum : unsigned { kBoxOk = 0x00, kBoxIconExclamation = 0x30, kBoxIconError = 0x10 };

// Modal box without owner; waits until the user closes it. Headless: prints
// "caption: text" to standard error and returns at once.
void ShowMessageBox(const char* text, const char* caption, unsigned style);

// ---------------------------------------------------------------- display modes

struct ModeInfo {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};

// Mode `index` of the primary display, in the order the system reports them; false past
// the end. In capture mode the list holds the capture size alone.
bool GetDisplayModeInfo(int index, ModeInfo* mode);

// ---------------------------------------------------------------- window

struct Window;

// Window messages, numbered as the original system numbers them.
enum : uint32_t {
    kMsgCreate = 0x0001,
    kMsgDestroy = 0x0002,
    kMsgQuit = 0x0012,
    kMsgChar = 0x0102,
    kMsgTimer = 0x0113,
    kMsgUser = 0x0400,
};

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
using TimerProc = void (*)(Window* window, uint32_t timerId);

// Render-window thread only: create, pump, draw in and destroy the window on one thread.
// The window is shown at once; the procedure receives every message that Dispatch hands it.
// Its GL pixel format (RGBA of `colourBits`, 16-bit depth, double buffer) is chosen here.
Window* CreateRenderWindow(const char* title, int width, int height, int colourBits, WindowProc proc,
                           std::string* error);
void DestroyRenderWindow(Window* window);

// Full screen: switch the display to a mode that matches the wanted fields. `fields` is a
// mask of kModeWidth | kModeHeight | kModeBits; unmarked fields may differ. Windowed and
// capture runs accept every request without changing the display.
enum : unsigned { kModeWidth = 1, kModeHeight = 2, kModeBits = 4 };
bool ChangeDisplayMode(Window* window, const ModeInfo& wanted, unsigned fields);
void RestoreDisplayMode(Window* window);
// Any thread, before a box that ends the process: a display switched to full screen goes
// back to the desktop's mode, so the box is seen on the desktop. Where only the window's
// thread may change the display (SDL), the system restores it when the process ends.
void RestoreDesktopMode();

// Any thread. False when the window does not exist (or no longer exists).
bool PostWindowMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Render-window thread only. Waits for the next message: posted messages first, then due
// timers, then keyboard and window events (Escape and a closed window arrive as the
// character 27). Returns 1 for a message, 0 for the quit message, -1 on failure.
int GetWindowMessage(Window* window, Message* message);
void PostQuitMessage(Window* window);
// Any thread. Asks the window to close as its close button does; the owner then receives
// the character 27, as for Escape.
bool RequestWindowClose(Window* window);
// Hands the message to the window procedure; a timer message with a procedure calls it.
intptr_t DispatchWindowMessage(Window* window, const Message& message);
intptr_t DefaultWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Any thread. The timer fires on the window's thread, every `periodMs`, inside GetWindowMessage.
bool SetWindowTimer(Window* window, uint32_t timerId, uint32_t periodMs, TimerProc proc);
bool KillWindowTimer(Window* window, uint32_t timerId);

// ---------------------------------------------------------------- GL context

// Render-window thread only. SetPixelFormat checks that the window got a GL pixel format
// close to the wanted depth; false when none exists.
bool SetPixelFormat(Window* window, int colourBits, std::string* error);
bool CreateGLContext(Window* window, std::string* error);
bool MakeGLContextCurrent(Window* window);
void ReleaseGLContext(Window* window);
void DestroyGLContext(Window* window);
bool GetClientSize(Window* window, int* width, int* height);
// Swaps the buffers; in capture mode first reads the finished frame back and writes it.
void SwapWindowBuffers(Window* window);

// ---------------------------------------------------------------- cursor

// The cursor's display counter: show adds one, hide takes one away, the cursor is seen
// while the counter is at least 0. Returns the new counter.
int ShowCursor(bool show);

// ---------------------------------------------------------------- capture

// Called on the render-window thread once per captured frame, after the frame was
// written and before the virtual clock steps (the sound capture mixes exactly one frame's
// worth of audio here). One hook; null removes it.
using CaptureFrameHook = void (*)(void* user, uint64_t frameIndex);
void SetCaptureFrameHook(CaptureFrameHook hook, void* user);
uint64_t CapturedFrameCount();
// The last captured frame, RGB, top row first; false before the first one.
bool LastCapturedFrame(std::vector<uint8_t>* rgb, int* width, int* height);

// Capture into a video file (the capture target ends in .mp4 or .mkv): the frames and the
// audio are piped to the ffmpeg command instead of PNG files and a WAV. The sound capture
// gives its format once (8 or 16 bits, 1 or 2 channels), then each frame's share of the
// audio from the frame hook. OpenCaptureAudio is false when the format is refused, was
// already given, or ffmpeg could not be started.
bool CaptureIsVideo();
bool OpenCaptureAudio(int rate, int channels, int bits);
void WriteCaptureAudio(const void* data, size_t bytes);

}  // namespace platform
