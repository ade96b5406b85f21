// tool_objects.cpp -- umbravel-tool lwo: load a LightWave object with the program's own
// loader and describe what it made: counts, bounding box, the materials and textures of
// its triangles, and whether every used vertex has a unit normal. The object is read from
// the disk; the pictures it names are looked for beside it (in any letter case), then in
// the embedded files as the show finds them.
#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "codecs/codec_log.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "filestore/filestore.h"
#include "tool.h"

namespace {

std::string gObjectPath;

uint8_t* ReadDiskFile(const std::filesystem::path& path, uint32_t* size) {
    FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f) return nullptr;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool ok = !std::ferror(f) && bytes.size() <= UINT32_MAX;
    std::fclose(f);
    if (!ok) return nullptr;
    auto* copy = static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (copy && !bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    *size = static_cast<uint32_t>(bytes.size());
    return copy;
}

// The object itself by its path; a picture by its name beside the object, then embedded.
uint8_t* OpenForTool(const char* name, uint32_t* size) {
    if (gObjectPath == name) return ReadDiskFile(name, size);
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(gObjectPath).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec))
        if (strcasecmp(entry.path().filename().string().c_str(), name) == 0) return ReadDiskFile(entry.path(), size);
    return LoadFileCopy(name, size);
}

int RunLwo(int argc, char** argv) {
    int winding = 0;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-w") && i + 1 < argc) winding = std::atoi(argv[++i]);
        else path = argv[i];
    }
    if (!path) {
        std::fprintf(stderr, "usage: umbravel-tool lwo [-w 0|1] IN.lwo\n");
        return 2;
    }
    gObjectPath = path;
    CodecLogSetSink([](const char*) {});
    GLEngine* engine = CreateGLEngine();
    SetObjectFileOpener(OpenForTool);
    SetPolygonWinding(winding);
    Object3D* object = nullptr;
    if (!LoadLightWaveObject(engine, &object, path, 0, 0)) {
        std::fprintf(stderr, "lwo: %s: %s\n", path, GetObjectLoaderError());
        delete engine;
        return 1;
    }

    int enabled = 0;
    std::vector<bool> used(object->GetVertexCapacity());
    std::map<const void*, std::pair<int, int>> materials;  // first use, triangles
    std::vector<const Triangle*> firstOf;
    for (int i = 0; i < object->GetTriangleCapacity(); ++i) {
        const Triangle* t = object->GetTriangle(i);
        if (!t->IsEnabled()) continue;
        ++enabled;
        for (int c = 0; c < 3; ++c) used[t->GetVertex(c) - object->GetVertex(0)] = true;
        const void* key = t->GetTexture() ? static_cast<const void*>(t->GetTexture())
                                          : static_cast<const void*>(t->GetSurface());
        auto [it, added] = materials.try_emplace(key, static_cast<int>(firstOf.size()), 0);
        if (added) firstOf.push_back(t);
        ++it->second.second;
    }
    int usedCount = 0, unit = 0;
    Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (int i = 0; i < object->GetVertexCapacity(); ++i) {
        const Vertex* v = object->GetVertex(i);
        const Vec3 p = v->GetPosition();
        lo = {std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
        hi = {std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
        if (!used[i]) continue;
        ++usedCount;
        unit += std::fabs(Length(v->GetNormal()) - 1.0f) < 1e-3f;
    }
    std::printf("%s (winding %d)\n", path, winding);
    std::printf("vertices   %d (%d used by triangles)\n", object->GetVertexCapacity(), usedCount);
    std::printf("triangles  %d (%d enabled)\n", object->GetTriangleCapacity(), enabled);
    if (object->GetVertexCapacity() > 0)
        std::printf("bounds     x %.4g .. %.4g, y %.4g .. %.4g, z %.4g .. %.4g (engine space)\n", lo.x, hi.x, lo.y, hi.y,
                    lo.z, hi.z);
    std::printf("materials  %zu\n", firstOf.size());
    for (size_t k = 0; k < firstOf.size(); ++k) {
        const Triangle* t = firstOf[k];
        const void* key = t->GetTexture() ? static_cast<const void*>(t->GetTexture())
                                          : static_cast<const void*>(t->GetSurface());
        const int triangles = materials[key].second;
        if (const Texture* texture = t->GetTexture())
            std::printf("  %zu: texture %d x %d, %d triangles\n", k + 1, texture->width, texture->height, triangles);
        else if (const Surface* s = t->GetSurface())
            std::printf("  %zu: colour %d, %d, %d, %d triangles\n", k + 1, s->diffuse.r, s->diffuse.g, s->diffuse.b,
                        triangles);
        else
            std::printf("  %zu: default material, %d triangles\n", k + 1, triangles);
    }
    std::printf("normals    %s (%d of %d used vertices unit length)\n", unit == usedCount ? "all unit" : "NOT all unit",
                unit, usedCount);
    delete engine;  // the object and its records live until the process ends
    return unit == usedCount ? 0 : 1;
}

const ToolCommand kLwo("lwo", "[-w 0|1] IN.lwo  load an object with the program's loader; counts, box, materials, normals",
                       RunLwo);

}  // namespace
