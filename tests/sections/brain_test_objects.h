// brain_test_objects.h -- stand-in objects for the brain section's tests, written as
// LWOB files in memory: a textured sphere for the brain, a thin spike for the cone and
// flat rings for the gyros; and an archive that is the built one with these objects put
// in place of the table's, so that the section loads them through the file store just as
// in the show.
#pragma once

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/lwob_builder.h"
#include "filestore/filestore.h"

namespace brain_test {

// A sphere of `stacks` x `slices` quads (triangles at the poles), one surface: coloured,
// or mapped from `texture` along y when one is named.
inline std::vector<uint8_t> Sphere(float radius, int slices, int stacks, const char* texture = nullptr) {
    std::vector<float> points;
    points.insert(points.end(), {0.0f, radius, 0.0f});
    for (int i = 1; i < stacks; ++i) {
        const float theta = 3.1415927f * static_cast<float>(i) / static_cast<float>(stacks);
        for (int j = 0; j < slices; ++j) {
            const float phi = 6.2831855f * static_cast<float>(j) / static_cast<float>(slices);
            points.insert(points.end(), {radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                                         radius * std::sin(theta) * std::sin(phi)});
        }
    }
    points.insert(points.end(), {0.0f, -radius, 0.0f});
    const auto ring = [slices](int i, int j) { return static_cast<uint16_t>(1 + (i - 1) * slices + (j % slices)); };
    const auto bottom = static_cast<uint16_t>(1 + (stacks - 1) * slices);
    std::vector<std::vector<uint16_t>> polygons;
    for (int j = 0; j < slices; ++j) {
        polygons.push_back({0, ring(1, j + 1), ring(1, j)});
        for (int i = 1; i + 1 < stacks; ++i) polygons.push_back({ring(i, j), ring(i, j + 1), ring(i + 1, j + 1), ring(i + 1, j)});
        polygons.push_back({bottom, ring(stacks - 1, j), ring(stacks - 1, j + 1)});
    }
    std::vector<std::pair<std::string, std::vector<uint8_t>>> surface = {{"COLR", LwobBuilder::Colour(200, 150, 160)}};
    if (texture) {
        surface.push_back({"TIMG", LwobBuilder::Text(texture)});
        surface.push_back({"TSIZ", LwobBuilder::Floats(2 * radius, 2 * radius, 2 * radius)});
        surface.push_back({"TCTR", LwobBuilder::Floats(0, 0, 0)});
        surface.push_back({"TFLG", LwobBuilder::Flags(2)});
    }
    return LwobBuilder().Points(points).SurfaceNames({"Skin"}).Polygons(polygons).Surface("Skin", surface).Build();
}

// A four-sided spike along +y from the origin, 0.15 high and 0.015 wide at its base.
inline std::vector<uint8_t> Spike() {
    const float w = 0.015f;
    return LwobBuilder()
        .Points({-w, 0, -w, w, 0, -w, w, 0, w, -w, 0, w, 0, 0.15f, 0})
        .SurfaceNames({"Spike"})
        .Polygons({{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}, {3, 2, 1, 0}})
        .Surface("Spike", {{"COLR", LwobBuilder::Colour(255, 255, 255)}})
        .Build();
}

// A flat ring of the given radius in the x-z plane, of 24 quads.
inline std::vector<uint8_t> Ring(float radius) {
    std::vector<float> points;
    for (int j = 0; j < 24; ++j) {
        const float phi = 6.2831855f * static_cast<float>(j) / 24.0f;
        for (float r : {radius - 0.15f, radius + 0.15f})
            points.insert(points.end(), {r * std::cos(phi), 0.0f, r * std::sin(phi)});
    }
    std::vector<std::vector<uint16_t>> polygons;
    for (int j = 0; j < 24; ++j) {
        const auto a = static_cast<uint16_t>(2 * j), b = static_cast<uint16_t>(2 * ((j + 1) % 24));
        polygons.push_back({a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(b + 1), b});
    }
    return LwobBuilder()
        .Points(points)
        .SurfaceNames({"Metal"})
        .Polygons(polygons)
        .Surface("Metal", {{"COLR", LwobBuilder::Colour(180, 180, 200)}})
        .Build();
}

// The built archive with the section's objects replaced; SetEmbeddedArchive(&Archive()).
inline const EmbeddedArchive& Archive(const std::vector<uint8_t>& brain) {
    static std::vector<EmbeddedFileEntry> entries;
    static std::vector<const uint8_t*> blobs;
    static std::vector<std::vector<uint8_t>> files;
    static EmbeddedArchive archive{};
    const EmbeddedArchive& built = gEmbeddedArchive;
    entries.assign(built.entries, built.entries + built.length);
    blobs.assign(built.blobs, built.blobs + built.length);
    files = {brain, Ring(2.0f), Ring(1.6f), Ring(1.2f), Spike()};
    const char* names[] = {"Files\\Brain.lwo", "Files\\Torus1.lwo", "Files\\Torus2.lwo", "Files\\Torus3.lwo",
                           "Files\\Cone.lwo"};
    for (size_t i = 0; i < files.size(); ++i) {
        for (int32_t p = 1; p < built.length; ++p) {
            if (!NamesEqualFolded(entries[p].name, names[i])) continue;
            entries[p].size = static_cast<uint32_t>(files[i].size());
            blobs[p] = files[i].data();
        }
    }
    archive = {entries.data(), blobs.data(), built.length};
    return archive;
}

}  // namespace brain_test
