// tool.h -- umbravel-tool's subcommands. Each subsystem's commands live in their own
// file and register themselves with a static ToolCommand.
#pragma once

struct ToolCommand {
    const char* name;
    const char* usage;  // one line: arguments and what the command does
    int (*run)(int argc, char** argv);  // argv[0] is the command name; returns the exit code
    ToolCommand(const char* name, const char* usage, int (*run)(int, char**));
};
