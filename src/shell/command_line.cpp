// command_line.cpp -- parsing the program's flags. Capture implies headless and no setup
// dialog.
#include "shell/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
bool ParseInt(const char* text, int low, int high, int* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end || value < low || value > high) return false;
    *out = static_cast<int>(value);
    return true;
}

// "WxH" or, with bits, "WxHxBPP".
bool ParseSize(const char* text, bool withBits, int* w, int* h, int* bits) {
    if (!text) return false;
    int a = 0, b = 0, c = 0, consumed = 0;
    if (withBits) {
        if (std::sscanf(text, "%dx%dx%d%n", &a, &b, &c, &consumed) != 3 || text[consumed]) return false;
        if (c != 16 && c != 24 && c != 32) return false;
        *bits = c;
    } else if (std::sscanf(text, "%dx%d%n", &a, &b, &consumed) != 2 || text[consumed]) {
        return false;
    }
    if (a < 16 || b < 16 || a > 8192 || b > 8192) return false;
    *w = a;
    *h = b;
    return true;
}
}  // namespace

const char* CommandLineUsage() {
    return "usage: umbravel [options]\n"
           "  --windowed            show the show in a window instead of full screen\n"
           "  --no-setup            skip the setup dialog; use the flags below or defaults\n"
           "  --no-vsync            do not wait for the display's refresh\n"
           "  --mode WxHxBPP        display mode (default: 640x480 at the deepest colour offered)\n"
           "  --sound N|none        sound device from --list-devices (none: silent, music still timed)\n"
           "  --sound-format F      0 mono 8-bit, 2 stereo 8-bit, 3 stereo 16-bit (default 3)\n"
           "  --rate HZ             11025, 22050 or 44100 (default 44100)\n"
           "  --buffer-ms MS        sound buffer 200..1000 in steps of 100 (default 500)\n"
           "  --headless            message boxes print to standard error and never wait\n"
           "  --capture DIR         render frame by frame with a virtual clock into DIR\n"
           "                        (numbered PNGs and the mixed audio); implies --headless\n"
           "  --capture FILE.mp4    the same into a video with sound (also .mkv), through the\n"
           "                        ffmpeg command\n"
           "  --fps N               capture frames per second (default 30)\n"
           "  --size WxH            capture size (default 640x480)\n"
           "  --start PART          begin at title, logo, heart, tv, brain or closing: everything\n"
           "                        loads as usual, then the music jumps to where that part begins\n"
           "                        (the random effects differ from those of a full run)\n"
           "  --sync heard|mixed    the pictures follow the sound being heard (default), or the\n"
           "                        mixer, which runs a whole sound buffer ahead of the speaker\n"
           "  --verbose             print the decoders' traces\n"
           "  --list-devices        list rendering modes and sound devices, then exit\n"
           "  --help                print this list and exit\n"
           "  --version             print the version (umbravel X.Y.Z) and exit\n";
}

bool ParseCommandLine(int argc, char** argv, CommandLine* out, std::string* error) {
    CommandLine& c = *out;
    auto fail = [&](const std::string& text) {
        *error = text;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&](const char* name) -> bool {
            if (!value) return false;
            (void)name;
            ++i;
            return true;
        };
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            c.help = true;
        } else if (!std::strcmp(arg, "--version")) {
            c.version = true;
        } else if (!std::strcmp(arg, "--windowed")) {
            c.platform.windowed = true;
        } else if (!std::strcmp(arg, "--no-vsync")) {
            c.platform.vsync = false;
        } else if (!std::strcmp(arg, "--no-setup")) {
            c.noSetup = true;
        } else if (!std::strcmp(arg, "--headless")) {
            c.platform.headless = true;
        } else if (!std::strcmp(arg, "--verbose")) {
            c.platform.verbose = true;
        } else if (!std::strcmp(arg, "--list-devices")) {
            c.listDevices = true;
        } else if (!std::strcmp(arg, "--mode")) {
            if (!needValue(arg) || !ParseSize(value, true, &c.modeWidth, &c.modeHeight, &c.modeBits))
                return fail("--mode needs WxHxBPP, for example 800x600x32");
            c.modeGiven = true;
        } else if (!std::strcmp(arg, "--capture")) {
            if (!needValue(arg) || !*value) return fail("--capture needs a folder");
            c.platform.capture = true;
            c.platform.captureDir = value;
        } else if (!std::strcmp(arg, "--fps")) {
            if (!needValue(arg) || !ParseInt(value, 1, 1000, &c.platform.captureFps))
                return fail("--fps needs a number from 1 to 1000");
        } else if (!std::strcmp(arg, "--size")) {
            int unused = 0;
            if (!needValue(arg) ||
                !ParseSize(value, false, &c.platform.captureWidth, &c.platform.captureHeight, &unused))
                return fail("--size needs WxH, for example 640x480");
        } else if (!std::strcmp(arg, "--start")) {
            c.start = -1;
            for (int s = 0; value && s < kStartCount; ++s)
                if (!std::strcmp(value, kStartNames[s])) c.start = s;
            if (!needValue(arg) || c.start < 0) return fail("--start needs title, logo, heart, tv, brain or closing");
        } else if (!std::strcmp(arg, "--sync")) {
            if (!needValue(arg) || (std::strcmp(value, "heard") && std::strcmp(value, "mixed")))
                return fail("--sync needs heard or mixed");
            c.syncMixed = !std::strcmp(value, "mixed");
        } else if (!std::strcmp(arg, "--sound")) {
            if (!needValue(arg)) return fail("--sound needs a device number or none");
            c.soundGiven = true;
            if (!std::strcmp(value, "none"))
                c.soundDevice = 0;
            else if (!ParseInt(value, 0, 1000, &c.soundDevice))
                return fail("--sound needs a device number from --list-devices, or none");
        } else if (!std::strcmp(arg, "--sound-format")) {
            if (!needValue(arg) || !ParseInt(value, 0, 3, &c.soundFormat) || c.soundFormat == 1)
                return fail("--sound-format needs 0 (mono 8-bit), 2 (stereo 8-bit) or 3 (stereo 16-bit)");
        } else if (!std::strcmp(arg, "--rate")) {
            if (!needValue(arg) || !ParseInt(value, 11025, 44100, &c.mixingRate) ||
                (c.mixingRate != 11025 && c.mixingRate != 22050 && c.mixingRate != 44100))
                return fail("--rate needs 11025, 22050 or 44100");
        } else if (!std::strcmp(arg, "--buffer-ms")) {
            if (!needValue(arg) || !ParseInt(value, 200, 1000, &c.bufferMs) || c.bufferMs % 100)
                return fail("--buffer-ms needs 200 to 1000 in steps of 100");
        } else {
            return fail(std::string("unknown option '") + arg + "' (--help lists the options)");
        }
    }
    if (c.platform.capture) {
        c.platform.headless = true;
        c.noSetup = true;
    }
    return true;
}
