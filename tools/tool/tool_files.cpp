// tool_files.cpp -- umbravel-tool files and extract: the embedded name table and its
// files.
#include <cstdio>

#include "filestore/filestore.h"
#include "tool.h"

namespace {

int RunFiles(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: umbravel-tool files\n");
        return 2;
    }
    const EmbeddedArchive& archive = CurrentEmbeddedArchive();
    int present = 0;
    std::printf("%-8s %-6s %10s  %-8s %s\n", "position", "id", "size", "state", "name");
    for (int32_t p = 1; p < archive.length; ++p) {
        const EmbeddedFileEntry& e = archive.entries[p];
        bool here = archive.blobs[p] != nullptr;
        present += here;
        std::printf("%-8d %-6u %10u  %-8s %s\n", p, e.resourceId, e.size, here ? "present" : "missing", e.name);
    }
    std::printf("%d of %d files embedded\n", present, archive.length - 1);
    return 0;
}

int RunExtract(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: umbravel-tool extract NAME OUT\n");
        return 2;
    }
    uint32_t size = 0;
    const uint8_t* data = OpenEmbeddedFileSized(argv[1], &size);
    if (!data) {
        std::fprintf(stderr, "extract: no file '%s' in the archive or on the disk\n", argv[1]);
        return 1;
    }
    FILE* out = std::fopen(argv[2], "wb");
    bool ok = out && std::fwrite(data, 1, size, out) == size;
    if (out && std::fclose(out) != 0) ok = false;
    CloseEmbeddedFile(data);
    if (!ok) {
        std::fprintf(stderr, "extract: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

const ToolCommand kFiles("files", "list the embedded name table: position, id, size, present or missing", RunFiles);
const ToolCommand kExtract("extract", "NAME OUT  write an embedded (or disk) file out, e.g. 'Files\\Tenebrix.IT'",
                           RunExtract);

}  // namespace
