// mode_list.cpp -- the primary display's mode list, read from the back-end once and kept.
// A capture has one mode: its own size, at 32 bits.
#include "platform/platform_internal.h"

#include <mutex>

namespace platform {
namespace {
std::mutex modesMutex;
bool modesRead = false;
std::vector<ModeInfo> modes;
}  // namespace

bool GetDisplayModeInfo(int index, ModeInfo* mode) {
    std::lock_guard<std::mutex> lock(modesMutex);
    if (!modesRead) {
        modesRead = true;
        if (IsCapture())
            modes.push_back({GetOptions().captureWidth, GetOptions().captureHeight, 32});
        else
            ReadSystemModes(&modes);
    }
    if (index < 0 || index >= static_cast<int>(modes.size()) || !mode) return false;
    *mode = modes[static_cast<size_t>(index)];
    return true;
}

}  // namespace platform
