// win32_internal.h -- shared between the Win32 back-end's own units only.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform_internal.h"

namespace platform {
// The program's icon in the executable's resources (umbravel.rc): the render window's
// class and the setup dialog show it. Executables without it (the tests) get the system's.
constexpr int kProgramIconResource = 102;

// "<call> failed (error <code>: <the system's text>)", for the code GetLastError gives now
// or for the one given.
std::string Win32ErrorText(const char* call);
std::string Win32ErrorText(const char* call, DWORD code);
}  // namespace platform
