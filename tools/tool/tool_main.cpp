// tool_main.cpp -- umbravel-tool: the developer's command line for the program's decoders,
// loaders and embedded files.
#include "tool.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
std::vector<const ToolCommand*>& Commands() {
    static std::vector<const ToolCommand*> commands;
    return commands;
}

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: umbravel-tool COMMAND [ARGS]\ncommands:\n");
    for (const ToolCommand* c : Commands()) std::fprintf(out, "  %-8s %s\n", c->name, c->usage);
}
}  // namespace

ToolCommand::ToolCommand(const char* name_, const char* usage_, int (*run_)(int, char**))
    : name(name_), usage(usage_), run(run_) {
    Commands().push_back(this);
}

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const ToolCommand* c : Commands())
        if (!std::strcmp(c->name, argv[1])) return c->run(argc - 1, argv + 1);
    std::fprintf(stderr, "umbravel-tool: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
