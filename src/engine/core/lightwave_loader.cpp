// lightwave_loader.cpp -- reading LWOB objects: three counting walks over the chunks
// (surface names, points, polygons), one object of exactly those sizes, then four filling
// walks (surface names, surfaces, points, polygons) and smooth normals.
//
// Every count, size and index comes from the file and is checked against the bytes that
// are there before it is used. What a damaged file gets:
//   - the form ends at its stated size or at the end of the file, whichever is first;
//   - a chunk whose data would run past the form's end is not read, and the walk ends;
//   - a polygon whose indices would run past its chunk ends that chunk's polygons;
//   - a polygon naming a point beyond the point count makes no triangles (its triangles
//     stay disabled, so nothing draws them);
//   - a surface number of 0 or beyond the surface names leaves its triangles without
//     material or texture (drawn with the default material);
//   - a SURF chunk whose name is not among the surface names is skipped;
//   - a sub-chunk that would run past its SURF chunk ends that SURF chunk.
// Materials and textures that no triangle takes (a surface no polygon names, or every one
// of a load that fails) are released before the load returns.
// Not handled: LWO2 and later forms (refused), detail polygons.
#include "engine/core/lightwave_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <set>

#include "engine/core/lightwave_internal.h"

namespace {

ObjectFileOpener fileOpener = nullptr;
int polygonWinding = 0;
char lastError[64] = "";

int Fail(const char* message) {
    std::snprintf(lastError, sizeof lastError, "%s", message);
    return 0;
}

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t Read32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
float ReadFloat(const uint8_t* p) {
    const uint32_t bits = Read32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct Chunk {
    const uint8_t* id;
    const uint8_t* data;
    uint32_t size;
};

// Calls `visit` for every whole chunk of the form, in file order.
void WalkChunks(const uint8_t* form, const uint8_t* end, const std::function<void(const Chunk&)>& visit) {
    const uint8_t* p = form;
    while (end - p >= 8) {
        const uint32_t size = Read32(p + 4);
        if (size > static_cast<uint64_t>(end - p - 8)) break;
        visit({p, p + 8, size});
        p += 8 + static_cast<size_t>(size);
    }
}

bool IsChunk(const Chunk& c, const char* id) { return std::memcmp(c.id, id, 4) == 0; }

// Reads a zero-terminated name padded to an even length from [p, end); the name is cut
// to 63 characters. Returns the byte after the padding, or null when no terminator is
// found before `end`.
const uint8_t* ReadName(const uint8_t* p, const uint8_t* end, char out[64]) {
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(p, 0, static_cast<size_t>(end - p)));
    if (!zero) return nullptr;
    const size_t length = static_cast<size_t>(zero - p);
    std::snprintf(out, 64, "%.*s", static_cast<int>(length < 63 ? length : 63), reinterpret_cast<const char*>(p));
    const size_t padded = (length + 2) & ~size_t{1};
    return p + padded <= end ? p + padded : end;
}

// Calls `visit` (vertex count, first index, surface number) for every whole polygon of a
// POLS chunk.
void WalkPolygons(const Chunk& chunk, const std::function<void(uint32_t, const uint8_t*, uint32_t)>& visit) {
    const uint8_t* p = chunk.data;
    const uint8_t* end = chunk.data + chunk.size;
    while (end - p >= 2) {
        const uint32_t n = Read16(p);
        const size_t bytes = 2 + 2 * static_cast<size_t>(n) + 2;
        if (bytes > static_cast<size_t>(end - p)) break;
        visit(n, p + 2, Read16(p + 2 + 2 * static_cast<size_t>(n)));
        p += bytes;
    }
}

// Planar texel coordinates of a point given in the file's coordinates.
TexCoord PlanarMapping(const LoaderSurface& s, float x, float y, float z, int32_t width, int32_t height) {
    float u, v;
    switch (s.axis) {
    case 0:
        u = (z - s.centre[2]) / s.size[2] + 0.5f;
        v = 0.5f - (y - s.centre[1]) / s.size[1];
        break;
    case 1:
        u = (x - s.centre[0]) / s.size[0] + 0.5f;
        v = 0.5f - (z - s.centre[2]) / s.size[2];
        break;
    default:
        u = (x - s.centre[0]) / s.size[0] + 0.5f;
        v = 0.5f - (y - s.centre[1]) / s.size[1];
        break;
    }
    // Truncated toward zero; a surface without a size gives unbounded values, kept in range.
    auto toTexel = [](float t, int32_t side) {
        const double texel = static_cast<double>(t) * side;
        if (!(texel > -2147483647.0)) return int32_t{-2147483647};
        if (texel > 2147483647.0) return int32_t{2147483647};
        return static_cast<int32_t>(texel);
    };
    return {toTexel(u, width), toTexel(v, height)};
}

// The SURF chunk's sub-chunks, in order, for the loader surface of its name.
int ReadSurface(GLEngine* engine, const Chunk& chunk, LoaderSurface* surfaces, int32_t count) {
    const uint8_t* end = chunk.data + chunk.size;
    char name[64];
    const uint8_t* p = ReadName(chunk.data, end, name);
    if (!p) return 1;
    int32_t index = -1;
    for (int32_t i = 0; i < count; ++i)
        if (std::strcmp(surfaces[i].name, name) == 0) {
            index = i;
            break;
        }
    if (index < 0) return 1;
    LoaderSurface& s = surfaces[index];
    while (end - p >= 6) {
        const uint8_t* id = p;
        const uint32_t size = Read16(p + 4);
        const uint8_t* data = p + 6;
        if (size > static_cast<size_t>(end - data)) break;
        p = data + size;
        if ((!std::memcmp(id, "COLR", 4) || !std::memcmp(id, "TCLR", 4)) && size >= 3) {
            if (s.surface || s.texture) continue;
            s.surface = engine->NewSurface();
            if (!s.surface) return Fail("Could not create surface");
            const Colour colour(data[0], data[1], data[2], 255);
            s.surface->SetAmbient(colour);
            s.surface->SetDiffuse(colour);
        } else if (!std::memcmp(id, "TIMG", 4)) {
            char file[64];
            if (size == 0) continue;
            const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
            const size_t length = zero ? static_cast<size_t>(zero - data) : size;
            std::snprintf(file, sizeof file, "%.*s", static_cast<int>(length < 63 ? length : 63),
                          reinterpret_cast<const char*>(data));
            const char* error = nullptr;
            if (!MakeLoaderTexture(engine, surfaces, count, index, file, fileOpener, &error)) return Fail(error);
        } else if (!std::memcmp(id, "TSIZ", 4) && size >= 12) {
            for (int k = 0; k < 3; ++k) s.size[k] = ReadFloat(data + 4 * k);
        } else if (!std::memcmp(id, "TCTR", 4) && size >= 12) {
            for (int k = 0; k < 3; ++k) s.centre[k] = ReadFloat(data + 4 * k);
        } else if (!std::memcmp(id, "TFLG", 4) && size >= 2) {
            const uint16_t flags = Read16(data);
            if (flags & 1) s.axis = 0;
            if (flags & 2) s.axis = 1;
            if (flags & 4) s.axis = 2;
        }
    }
    return 1;
}

// Releases the materials and textures that no triangle of `object` took (all of them when
// the object is null): those of a failed load, and those of surfaces no polygon names. A
// texture that several surfaces share is released once; its pixels are the loader's own.
void ReleaseUnused(GLEngine* engine, LoaderSurface* surfaces, int32_t count, const Object3D* object) {
    std::set<const Surface*> usedSurfaces;
    std::set<const Texture*> usedTextures, released;
    for (int32_t i = 0; object && i < object->GetTriangleCapacity(); ++i) {
        usedSurfaces.insert(object->GetTriangle(i)->GetSurface());
        usedTextures.insert(object->GetTriangle(i)->GetTexture());
    }
    for (int32_t i = 0; i < count; ++i) {
        LoaderSurface& s = surfaces[i];
        if (s.surface && !usedSurfaces.count(s.surface)) engine->DeleteSurface(s.surface);
        if (s.texture && !usedTextures.count(s.texture) && released.insert(s.texture).second) {
            std::free(s.texture->GetPixels());
            engine->DeleteTexture(s.texture);
        }
    }
}

}  // namespace

void SetObjectFileOpener(ObjectFileOpener opener) { fileOpener = opener; }
void SetPolygonWinding(int winding) { polygonWinding = winding; }
const char* GetObjectLoaderError() { return lastError; }

int LoadLightWaveObject(GLEngine* engine, Object3D** object, const char* fileName, int32_t lightCapacity,
                        int32_t childCapacity) {
    *object = nullptr;
    uint32_t fileSize = 0;
    uint8_t* file = fileOpener ? fileOpener(fileName, &fileSize) : nullptr;
    if (!file) return Fail("Could not load object");
    if (fileSize < 4 || std::memcmp(file, "FORM", 4) != 0) {
        std::free(file);
        return Fail("File is not a FORM IFF file");
    }
    if (fileSize < 12 || std::memcmp(file + 8, "LWOB", 4) != 0) {
        std::free(file);
        return Fail("File does not contain a LWOB master chunk");
    }
    const uint64_t formEnd = 8 + uint64_t{Read32(file + 4)};
    const uint8_t* form = file + 12;
    const uint8_t* end = file + (formEnd < fileSize ? formEnd : fileSize);
    if (end < form) end = form;

    // Counting.
    int64_t surfaceCount = 0, pointCount = 0, triangleCount = 0;
    WalkChunks(form, end, [&](const Chunk& c) {
        if (!IsChunk(c, "SRFS")) return;
        // A name cut off by the chunk's end, without its terminator, is no name.
        char name[64];
        for (const uint8_t* p = c.data; p < c.data + c.size && (p = ReadName(p, c.data + c.size, name));)
            ++surfaceCount;
    });
    WalkChunks(form, end, [&](const Chunk& c) {
        if (IsChunk(c, "PNTS")) pointCount += c.size / 12;
    });
    WalkChunks(form, end, [&](const Chunk& c) {
        if (!IsChunk(c, "POLS")) return;
        WalkPolygons(c, [&](uint32_t n, const uint8_t*, uint32_t) {
            if (n >= 3) triangleCount += n - 2;
        });
    });
    if (pointCount > INT32_MAX || triangleCount > INT32_MAX || surfaceCount > INT32_MAX) {
        std::free(file);
        return Fail("Could not create base object");
    }

    Object3D* created = engine->NewObject(childCapacity, lightCapacity, static_cast<int32_t>(triangleCount),
                                          static_cast<int32_t>(pointCount));
    if (!created || created->GetVertexCapacity() != pointCount || created->GetTriangleCapacity() != triangleCount) {
        if (created) engine->DeleteObject(created);
        std::free(file);
        return Fail("Could not create base object");
    }
    LoaderSurface* surfaces = nullptr;
    if (surfaceCount > 0) {
        surfaces = static_cast<LoaderSurface*>(std::calloc(static_cast<size_t>(surfaceCount), sizeof(LoaderSurface)));
        if (!surfaces) {
            engine->DeleteObject(created);
            std::free(file);
            return Fail("Could not create array of loader surfaces");
        }
    }
    const int32_t surfaceTotal = static_cast<int32_t>(surfaceCount);
    auto finish = [&](int result) {
        std::free(surfaces);
        std::free(file);
        return result;
    };

    // Filling: surface names, surfaces, points, polygons.
    int32_t nextSurface = 0;
    WalkChunks(form, end, [&](const Chunk& c) {
        if (!IsChunk(c, "SRFS")) return;
        const uint8_t* p = c.data;
        while (p && p < c.data + c.size && nextSurface < surfaceTotal) {
            p = ReadName(p, c.data + c.size, surfaces[nextSurface].name);
            if (p) ++nextSurface;
        }
    });
    int ok = 1;
    WalkChunks(form, end, [&](const Chunk& c) {
        if (ok && IsChunk(c, "SURF")) ok = ReadSurface(engine, c, surfaces, surfaceTotal);
    });
    if (!ok) {
        ReleaseUnused(engine, surfaces, surfaceTotal, nullptr);
        engine->DeleteObject(created);
        return finish(0);
    }

    int32_t nextVertex = 0;
    WalkChunks(form, end, [&](const Chunk& c) {
        if (!IsChunk(c, "PNTS")) return;
        for (uint32_t i = 0; i + 12 <= c.size; i += 12) {
            Vertex* v = created->GetVertex(nextVertex++);
            v->SetPosition({ReadFloat(c.data + i), ReadFloat(c.data + i + 4), -ReadFloat(c.data + i + 8)});
            v->Enable();
        }
    });

    int32_t nextTriangle = 0;
    WalkChunks(form, end, [&](const Chunk& c) {
        if (!IsChunk(c, "POLS")) return;
        WalkPolygons(c, [&](uint32_t n, const uint8_t* indices, uint32_t surfaceNumber) {
            if (n < 3) return;
            const int32_t first = nextTriangle;
            nextTriangle += static_cast<int32_t>(n - 2);
            for (uint32_t k = 0; k < n; ++k)
                if (Read16(indices + 2 * k) >= pointCount) return;  // its triangles stay disabled
            const LoaderSurface* s = surfaceNumber >= 1 && surfaceNumber <= static_cast<uint32_t>(surfaceTotal)
                                         ? &surfaces[surfaceNumber - 1]
                                         : nullptr;
            auto vertexAt = [&](uint32_t k) { return created->GetVertex(Read16(indices + 2 * k)); };
            for (uint32_t k = 2; k < n; ++k) {
                Triangle* t = created->GetTriangle(first + static_cast<int32_t>(k - 2));
                if (s && s->surface) t->SetSurface(s->surface);
                if (s && s->texture) t->SetTexture(s->texture);
                t->SetVertex(0, vertexAt(0));
                t->SetVertex(1, vertexAt(polygonWinding == 1 ? k - 1 : k));
                t->SetVertex(2, vertexAt(polygonWinding == 1 ? k : k - 1));
                if (s && s->texture) {
                    for (int c = 0; c < 3; ++c) {
                        const Vec3 p = t->GetVertex(c)->GetPosition();
                        t->SetTexCoord(c, PlanarMapping(*s, p.x, p.y, -p.z, s->texture->width, s->texture->height));
                    }
                }
                t->Enable();
            }
        });
    });

    ReleaseUnused(engine, surfaces, surfaceTotal, created);
    finish(1);
    created->CalculateNormals();
    *object = created;
    return 1;
}
