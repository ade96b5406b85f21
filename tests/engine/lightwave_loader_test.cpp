// The LightWave object loader: counts, fans and winding, the z mirror, surfaces and
// shared textures, refusals, hostile files, and real files nobody here wrote.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "lwob_builder.h"
#include "support/corpus.h"

namespace {
std::map<std::string, std::vector<uint8_t>> files;

uint8_t* OpenFromMap(const char* name, uint32_t* size) {
    auto it = files.find(name);
    if (it == files.end()) return nullptr;
    auto* copy = static_cast<uint8_t*>(std::malloc(it->second.size() + 1));
    std::memcpy(copy, it->second.data(), it->second.size());
    *size = static_cast<uint32_t>(it->second.size());
    return copy;
}

std::vector<uint8_t> EncodeJpeg(int width, int height) {
    jpeg_compress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3, 180);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

// A unit cube: 8 corners and 6 quads, counter-clockwise seen from outside in the file's
// left-handed space.
LwobBuilder Cube(uint16_t surface = 1) {
    LwobBuilder b;
    std::vector<float> points;
    for (int i = 0; i < 8; ++i) {
        points.push_back((i & 1) ? 1.f : -1.f);
        points.push_back((i & 2) ? 1.f : -1.f);
        points.push_back((i & 4) ? 1.f : -1.f);
    }
    b.SurfaceNames({"Skin"}).Points(points);
    b.Polygons({{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}}, surface);
    return b;
}

class LightWaveLoader : public ::testing::Test {
protected:
    void SetUp() override {
        engine = CreateGLEngine();
        files.clear();
        SetObjectFileOpener(OpenFromMap);
        SetPolygonWinding(0);
    }
    void TearDown() override { delete engine; }
    int Load(const std::vector<uint8_t>& bytes, Object3D** object) {
        files["test.lwo"] = bytes;
        return LoadLightWaveObject(engine, object, "test.lwo", 1, 2);
    }
    GLEngine* engine = nullptr;
};
}  // namespace

TEST_F(LightWaveLoader, CubeHasExactCountsAndUnitNormals) {
    Object3D* cube = nullptr;
    ASSERT_EQ(Load(Cube().Build(), &cube), 1) << GetObjectLoaderError();
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->GetVertexCapacity(), 8);
    EXPECT_EQ(cube->GetTriangleCapacity(), 12);
    EXPECT_EQ(cube->GetLightCapacity(), 1);
    EXPECT_EQ(cube->GetChildCapacity(), 2);
    for (int i = 0; i < 12; ++i) EXPECT_TRUE(cube->GetTriangle(i)->IsEnabled());
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(cube->GetVertex(i)->IsEnabled());
        EXPECT_NEAR(Length(cube->GetVertex(i)->GetNormal()), 1.0f, 1e-5f);
    }
    // The file's point (1, 1, 1) is the engine's (1, 1, -1).
    const Vec3 p = cube->GetVertex(7)->GetPosition();
    EXPECT_FLOAT_EQ(p.z, -1.0f);
    EXPECT_FLOAT_EQ(p.x, 1.0f);
    engine->DeleteObject(cube);
}

TEST_F(LightWaveLoader, FansFollowTheWinding) {
    LwobBuilder b;
    b.Points({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 3, 9, 9, 9}).Polygons({{0, 1, 2, 3}, {4, 0}, {0, 2, 4}});
    Object3D* o = nullptr;
    ASSERT_EQ(Load(b.Build(), &o), 1);
    ASSERT_EQ(o->GetTriangleCapacity(), 3);  // the two-point polygon makes none, and is stepped over
    auto corners = [&](int t) {
        std::vector<int> c;
        for (int k = 0; k < 3; ++k) c.push_back(static_cast<int>(o->GetTriangle(t)->GetVertex(k) - o->GetVertex(0)));
        return c;
    };
    EXPECT_EQ(corners(0), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(corners(1), (std::vector<int>{0, 3, 2}));
    EXPECT_EQ(corners(2), (std::vector<int>{0, 4, 2}));
    EXPECT_FLOAT_EQ(o->GetVertex(3)->GetPosition().z, -3.0f);
    engine->DeleteObject(o);
    SetPolygonWinding(1);
    ASSERT_EQ(Load(b.Build(), &o), 1);
    EXPECT_EQ(corners(0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(corners(1), (std::vector<int>{0, 2, 3}));
    engine->DeleteObject(o);
}

TEST_F(LightWaveLoader, RefusalsAndTheirMessages) {
    Object3D* o = reinterpret_cast<Object3D*>(1);
    EXPECT_EQ(LoadLightWaveObject(engine, &o, "missing.lwo", 0, 0), 0);
    EXPECT_EQ(o, nullptr);
    EXPECT_STREQ(GetObjectLoaderError(), "Could not load object");
    EXPECT_EQ(Load({'R', 'I', 'F', 'F', 0, 0, 0, 4, 'L', 'W', 'O', 'B'}, &o), 0);
    EXPECT_STREQ(GetObjectLoaderError(), "File is not a FORM IFF file");
    EXPECT_EQ(Load(Cube().Build("LWO2"), &o), 0);
    EXPECT_STREQ(GetObjectLoaderError(), "File does not contain a LWOB master chunk");
    EXPECT_EQ(Load({'F', 'O', 'R', 'M', 0, 0}, &o), 0);
    EXPECT_STREQ(GetObjectLoaderError(), "File does not contain a LWOB master chunk");
    EXPECT_EQ(Load({}, &o), 0);
    EXPECT_STREQ(GetObjectLoaderError(), "File is not a FORM IFF file");
    SetObjectFileOpener(nullptr);
    EXPECT_EQ(Load(Cube().Build(), &o), 0);
    EXPECT_STREQ(GetObjectLoaderError(), "Could not load object");
}

TEST_F(LightWaveLoader, HostileFilesNeverReadOutside) {
    Object3D* o = nullptr;
    // A point index beyond the points: the polygon's triangles stay disabled.
    LwobBuilder badIndex;
    badIndex.Points({0, 0, 0, 1, 0, 0, 0, 1, 0}).Polygons({{0, 1, 2}, {0, 1, 7}});
    ASSERT_EQ(Load(badIndex.Build(), &o), 1);
    EXPECT_TRUE(o->GetTriangle(0)->IsEnabled());
    EXPECT_FALSE(o->GetTriangle(1)->IsEnabled());
    engine->DeleteObject(o);

    // Surface numbers 0 and beyond the list: no material, still drawn.
    LwobBuilder surfaces;
    surfaces.SurfaceNames({"A"}).Points({0, 0, 0, 1, 0, 0, 0, 1, 0}).Polygons({{0, 1, 2}}, 0).Polygons({{0, 1, 2}}, 9);
    surfaces.Surface("A", {{"COLR", LwobBuilder::Colour(1, 2, 3)}}).Surface("Nobody", {{"COLR", LwobBuilder::Colour(9, 9, 9)}});
    ASSERT_EQ(Load(surfaces.Build(), &o), 1);
    EXPECT_EQ(o->GetTriangle(0)->hasSurface, 0);
    EXPECT_EQ(o->GetTriangle(1)->hasSurface, 0);
    EXPECT_TRUE(o->GetTriangle(1)->IsEnabled());
    engine->DeleteObject(o);

    // A chunk claiming more bytes than the file has is not read; what came before stays.
    std::vector<uint8_t> truncated =
        Cube().Raw("POLS", {0, 3, 0, 0, 0, 1}, 4000).Build();
    ASSERT_EQ(Load(truncated, &o), 1);
    EXPECT_EQ(o->GetTriangleCapacity(), 12);
    engine->DeleteObject(o);

    // A polygon whose indices run past its chunk ends that chunk's polygons.
    LwobBuilder cut;
    cut.Points({0, 0, 0, 1, 0, 0, 0, 1, 0}).Raw("POLS", {0, 3, 0, 0, 0, 1, 0, 2, 0, 1, 0, 9, 0, 0}, 14);
    ASSERT_EQ(Load(cut.Build(), &o), 1);
    EXPECT_EQ(o->GetTriangleCapacity(), 1);
    engine->DeleteObject(o);

    // Every prefix of a valid file loads or is refused, and never reads beyond it.
    const std::vector<uint8_t> whole =
        Cube().Surface("Skin", {{"COLR", LwobBuilder::Colour(200, 10, 10)}, {"TFLG", LwobBuilder::Flags(2)}}).Build();
    for (size_t n = 0; n <= whole.size(); ++n) {
        std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        if (Load(prefix, &o)) engine->DeleteObject(o);
    }
}

TEST_F(LightWaveLoader, SurfacesTakeTheFirstColour) {
    LwobBuilder b = Cube();
    b.Surface("Skin", {{"COLR", LwobBuilder::Colour(200, 10, 20)}, {"TCLR", LwobBuilder::Colour(1, 1, 1)}});
    Object3D* o = nullptr;
    ASSERT_EQ(Load(b.Build(), &o), 1);
    const Surface* s = o->GetTriangle(0)->GetSurface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetAmbient(), Colour(200, 10, 20, 255));
    EXPECT_EQ(s->GetDiffuse(), Colour(200, 10, 20, 255));
    EXPECT_EQ(o->GetTriangle(11)->GetSurface(), s);
    engine->DeleteObject(o);
}

TEST_F(LightWaveLoader, TexturesAreSharedResampledAndPlanarMapped) {
    files["METAL.JPG"] = EncodeJpeg(300, 100);
    LwobBuilder b;
    b.SurfaceNames({"One", "Two"}).Points({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0});
    b.Polygons({{0, 1, 2, 3}}, 1).Polygons({{0, 1, 2}}, 2);
    const auto mapping = std::vector<std::pair<std::string, std::vector<uint8_t>>>{
        {"TIMG", LwobBuilder::Text("Images\\metal.jpg")},
        {"TFLG", LwobBuilder::Flags(4)},
        {"TSIZ", LwobBuilder::Floats(2, 2, 2)},
        {"TCTR", LwobBuilder::Floats(0, 0, 0)}};
    b.Surface("One", {{"COLR", LwobBuilder::Colour(5, 5, 5)}, mapping[0], mapping[1], mapping[2], mapping[3]});
    b.Surface("Two", {{"TIMG", LwobBuilder::Text("METAL.JPG")}});
    Object3D* o = nullptr;
    ASSERT_EQ(Load(b.Build(), &o), 1) << GetObjectLoaderError();
    Texture* t = o->GetTriangle(0)->GetTexture();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(o->GetTriangle(2)->GetTexture(), t);  // the same file, named another way
    EXPECT_EQ(t->width, 256);
    EXPECT_EQ(t->height, 64);
    EXPECT_EQ(t->mipmap, 1);
    EXPECT_EQ(o->GetTriangle(0)->hasSurface, 0);  // textured surfaces use the default material
    // Axis z: u = x / 2 + 0.5, v = 0.5 - y / 2; point 0 (-1, -1) is texel (0, 64).
    EXPECT_EQ(o->GetTriangle(0)->GetTexCoord(0), (TexCoord{0, 64}));
    EXPECT_EQ(o->GetTriangle(0)->GetTexCoord(1), (TexCoord{256, 0}));  // corner 1 is point 2 (1, 1)
    engine->DeleteObject(o);
}

TEST_F(LightWaveLoader, TextureRefusals) {
    files["TINY.JPG"] = EncodeJpeg(1, 512);
    files["SMALL.JPG"] = EncodeJpeg(2, 2);
    files["JUNK.JPG"] = {0xFF, 0xD8, 0x00};
    const std::pair<const char*, const char*> cases[] = {
        {"picture.tga", "TGA not yet supported"},
        {"NODOT", "Unknown texture file format"},
        {"picture.png", "Unknown texture file format"},
        {"absent.jpg", "Could not load JPG texture"},
        {"junk.jpg", "Could not interpret JPG texture"},
        {"tiny.jpg", "JPG texture is too small"},
    };
    for (const auto& [name, message] : cases) {
        LwobBuilder b = Cube();
        b.Surface("Skin", {{"TIMG", LwobBuilder::Text(name)}});
        Object3D* o = nullptr;
        EXPECT_EQ(Load(b.Build(), &o), 0) << name;
        EXPECT_STREQ(GetObjectLoaderError(), message) << name;
        EXPECT_EQ(o, nullptr);
    }
    LwobBuilder b = Cube();
    b.Surface("Skin", {{"TIMG", LwobBuilder::Text("small.jpg")}});
    Object3D* o = nullptr;
    ASSERT_EQ(Load(b.Build(), &o), 1);
    EXPECT_EQ(o->GetTriangle(0)->GetTexture()->width, 2);
    engine->DeleteObject(o);
}

TEST_F(LightWaveLoader, RealFilesLoadAndLaterFormsAreRefused) {
    const std::filesystem::path corpus = std::filesystem::path(UMBRAVEL_CORPUS_DIR) / "lwo";
    UMBRAVEL_NEED_CORPUS(corpus);
    int loaded = 0, refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Object3D* o = nullptr;
        const bool lwob = bytes.size() >= 12 && std::memcmp(bytes.data() + 8, "LWOB", 4) == 0;
        const int result = Load(bytes, &o);
        EXPECT_EQ(result, lwob ? 1 : 0) << entry.path().filename() << ": " << GetObjectLoaderError();
        if (!result) {
            EXPECT_STREQ(GetObjectLoaderError(), "File does not contain a LWOB master chunk");
            ++refused;
            continue;
        }
        ++loaded;
        for (int i = 0; i < o->GetTriangleCapacity(); ++i) {
            const Triangle* t = o->GetTriangle(i);
            if (!t->IsEnabled()) continue;
            for (int c = 0; c < 3; ++c) {
                const float length = Length(t->GetVertex(c)->GetNormal());
                ASSERT_TRUE(std::fabs(length - 1.0f) < 1e-3f || length == 0.0f) << entry.path().filename();
            }
        }
        engine->DeleteObject(o);
    }
    EXPECT_EQ(loaded, 6);
    EXPECT_EQ(refused, 3);
}
