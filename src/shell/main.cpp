// main.cpp -- the program's entry: the flags, the platform, then the show.
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "shell/command_line.h"
#include "shell/main_sequence.h"

int main(int argc, char** argv) {
    platform::ConnectStandardStreams();
    CommandLine commandLine;
    std::string error;
    if (!ParseCommandLine(argc, argv, &commandLine, &error)) {
        std::fprintf(stderr, "umbravel: %s\n", error.c_str());
        return 2;
    }
    if (commandLine.help) {
        std::fputs(CommandLineUsage(), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::printf("umbravel %s\n", UMBRAVEL_VERSION);
        return 0;
    }
    if (commandLine.listDevices) commandLine.platform.headless = true;
    if (!platform::Startup(commandLine.platform, &error)) {
        std::fprintf(stderr, "umbravel: %s\n", error.c_str());
        return 1;
    }
    if (commandLine.listDevices) {
        const int code = ListDevices();
        platform::Shutdown();
        return code;
    }
    RunShow(commandLine);
}
