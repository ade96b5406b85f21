// main_sequence.h -- the show's fixed script: start-up, loading, the sections in order, the end.
#pragma once

#include "shell/command_line.h"

// Main thread; never returns (every ending goes through Quit).
[[noreturn]] void RunShow(const CommandLine& commandLine);

// Prints the rendering devices with their modes and the sound devices.
int ListDevices();

// The render window's message hook: Escape (the character 27) sets quitRequested.
intptr_t OnRenderWindowMessage(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
