// window_messages.cpp -- the render window's message hook. It runs on the render window's
// thread; the main thread reads quitRequested once per frame or loading step.
#include "shell/main_sequence.h"

#include "shell/demo_state.h"

intptr_t OnRenderWindowMessage(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == platform::kMsgChar) {
        if (wParam == 27) demo.quitRequested.store(1, std::memory_order_relaxed);
        return 0;
    }
    return platform::DefaultWindowProc(window, message, wParam, lParam);
}
