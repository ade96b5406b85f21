// window_list.cpp -- the windows that exist, for calls from other threads, and the hand-over
// of a message to the window's owner.
#include "platform/platform_internal.h"

#include <set>

namespace platform {
namespace {
std::mutex listMutex;
std::set<Window*> windows;
}  // namespace

LiveWindow::LiveWindow(Window* window) : lock(listMutex), live(window && windows.count(window) != 0) {}

void AddLiveWindow(Window* window) {
    std::lock_guard<std::mutex> guard(listMutex);
    windows.insert(window);
}

void RemoveLiveWindow(Window* window) {
    std::lock_guard<std::mutex> guard(listMutex);
    windows.erase(window);
}

intptr_t DispatchWindowMessage(Window* window, const Message& message) {
    if (message.message == kMsgTimer && message.lParam) {
        reinterpret_cast<TimerProc>(message.lParam)(window, static_cast<uint32_t>(message.wParam));
        return 0;
    }
    if (WindowProc proc = window ? OwnerProcedure(window) : nullptr)
        return proc(window, message.message, message.wParam, message.lParam);
    return DefaultWindowProc(window, message.message, message.wParam, message.lParam);
}

}  // namespace platform
