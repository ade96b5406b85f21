// command_line.h -- the program's flags.
#pragma once

#include <string>

#include "platform/platform.h"

struct CommandLine {
    platform::Options platform;
    bool help = false;
    bool version = false;
    bool noSetup = false;
    bool listDevices = false;
    bool modeGiven = false;
    int modeWidth = 0, modeHeight = 0, modeBits = 0;
    bool soundGiven = false;
    int soundDevice = 0;  // -1: "none" (the silent device, entry 0)
    int soundFormat = -1;  // -1: the default
    int mixingRate = -1;
    int bufferMs = -1;
    int start = 0;  // index into kStartNames: where the show begins
    bool syncMixed = false;  // the sections follow the mixed position, a buffer ahead of the sound
};

// The places --start can begin the show at, in the show's order.
enum StartPoint : int { kStartTitle, kStartLogo, kStartHeart, kStartTv, kStartBrain, kStartClosing };
inline constexpr const char* kStartNames[] = {"title", "logo", "heart", "tv", "brain", "closing"};
inline constexpr int kStartCount = static_cast<int>(sizeof kStartNames / sizeof kStartNames[0]);

// False with a one-line reason in *error for an unknown flag or a bad value.
bool ParseCommandLine(int argc, char** argv, CommandLine* out, std::string* error);
const char* CommandLineUsage();
