// The forge's objects: the LWOB writer's bytes, and every object read back through the
// program's own loader with the winding the show uses: exact counts, unit normals,
// faces turned outwards, the sizes the sections place them at, the heart's vessels
// where the droplets spray from, and the format's features used on purpose.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "codecs/codec_log.h"
#include "content.h"
#include "engine/core/engine.h"
#include "engine/core/lightwave_loader.h"
#include "jpeg_writer.h"
#include "lwob_writer.h"
#include "name_table.h"
#include "objects.h"

namespace {

using forge::V3;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::map<std::string, std::vector<uint8_t>> gFiles;  // upper-case short name -> bytes
std::set<std::string> gOpened;

uint8_t* Open(const char* name, uint32_t* size) {
    auto it = gFiles.find(Upper(name));
    if (it == gFiles.end()) return nullptr;
    gOpened.insert(it->first);
    auto* copy = static_cast<uint8_t*>(std::malloc(it->second.size()));
    std::memcpy(copy, it->second.data(), it->second.size());
    *size = static_cast<uint32_t>(it->second.size());
    return copy;
}

class ForgeObjects : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CodecLogSetSink([](const char*) {});  // the decoder's trace of every picture
        forge::ContentSet set;
        forge::MakeObjects(set);
        objects = new std::vector<forge::ForgedObject>(forge::BuildObjects());
        // Every picture of the show, as a small stand-in of 300 x 100 (resampled to 256 x 64).
        forge::Image picture(300, 100);
        for (size_t i = 0; i < picture.rgb.size(); ++i) picture.rgb[i] = static_cast<uint8_t>(i * 7);
        forge::VectorSink jpeg;
        ASSERT_TRUE(forge::WriteJpeg(jpeg, picture, forge::Jpeg(80, forge::Chroma::S420)));
        for (const std::string& name : forge::EmbeddedNames()) {
            const std::string shortName = Upper(name.substr(6));
            if (shortName.ends_with(".JPG")) gFiles[shortName] = jpeg.bytes;
        }
        for (const forge::ContentFile& f : set.Files()) gFiles[Upper(f.name.substr(6))] = f.bytes;
    }
    static void TearDownTestSuite() { delete objects; }
    void SetUp() override {
        engine = CreateGLEngine();
        SetObjectFileOpener(Open);
    }
    void TearDown() override { delete engine; }

    Object3D* Load(const forge::ForgedObject& o) {
        SetPolygonWinding(o.winding);
        Object3D* object = nullptr;
        EXPECT_EQ(LoadLightWaveObject(engine, &object, o.name.c_str(), 0, 0), 1) << o.name << ": "
                                                                                   << GetObjectLoaderError();
        SetPolygonWinding(0);
        return object;
    }
    const forge::ForgedObject& Find(const std::string& name) {
        for (const auto& o : *objects)
            if (o.name == name) return o;
        throw std::invalid_argument(name);
    }

    static std::vector<forge::ForgedObject>* objects;
    GLEngine* engine = nullptr;
};
std::vector<forge::ForgedObject>* ForgeObjects::objects = nullptr;

struct Box {
    Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    void Add(Vec3 p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    Vec3 Size() const { return {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}; }
};

Box Bounds(const Object3D* o) {
    Box b;
    for (int i = 0; i < o->GetVertexCapacity(); ++i) b.Add(o->GetVertex(i)->GetPosition());
    return b;
}

Vec3 FaceNormal(const Triangle* t) {
    const Vec3 a = t->GetVertex(0)->GetPosition(), b = t->GetVertex(1)->GetPosition(), c = t->GetVertex(2)->GetPosition();
    return Normalised(Cross(b - a, c - a));
}

}  // namespace

TEST(LwobWriter, WritesTheChunksTheLoaderReads) {
    forge::LwobFile file;
    file.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    file.polygons = {{{0, 1, 3, 2}, 1}};
    forge::LwobSurface s;
    s.name = "Skin";  // four letters: the terminator needs one more zero to be even
    s.textured = true;
    s.texture.image = "A\\b.jpg";
    file.surfaces = {s};
    forge::VectorSink sink;
    forge::WriteLwob(sink, file);
    const std::vector<uint8_t>& b = sink.bytes;
    ASSERT_GE(b.size(), 12u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "FORM");
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "LWOB");
    const uint32_t formSize = (b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7];
    EXPECT_EQ(formSize + 8, b.size());
    std::vector<std::string> ids;
    for (size_t p = 12; p + 8 <= b.size();) {
        ids.emplace_back(b.begin() + p, b.begin() + p + 4);
        const uint32_t size = (b[p + 4] << 24) | (b[p + 5] << 16) | (b[p + 6] << 8) | b[p + 7];
        if (ids.back() == "PNTS") { EXPECT_EQ(size, 48u); }
        if (ids.back() == "SRFS") { EXPECT_EQ(size, 6u); }
        if (ids.back() == "POLS") { EXPECT_EQ(size, 12u); }
        if (ids.back() == "SURF") { EXPECT_EQ(size % 2, 0u); }
        p += 8 + size;
        EXPECT_LE(p, b.size());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"PNTS", "SRFS", "POLS", "SURF"}));

    // What the format cannot hold is refused, not written wrong.
    forge::LwobFile bad = file;
    bad.polygons = {{{0, 1}, 1}};
    EXPECT_THROW(forge::WriteLwob(sink, bad), std::invalid_argument);
    bad.polygons = {{{0, 1, 4}, 1}};
    EXPECT_THROW(forge::WriteLwob(sink, bad), std::invalid_argument);
    bad.polygons = {{{0, 1, 2}, 2}};
    EXPECT_THROW(forge::WriteLwob(sink, bad), std::invalid_argument);
}

TEST_F(ForgeObjects, EveryObjectLoadsWithExactCountsUnitNormalsAndOutwardFaces) {
    std::set<std::string> names;
    for (const std::string& n : forge::EmbeddedNames())
        if (n.ends_with(".lwo")) names.insert(n.substr(6));
    std::set<std::string> made;
    for (const auto& o : *objects) {
        made.insert(o.name);
        const forge::LwobFile file = o.mesh.ToFile(o.winding);
        int triangles = 0;
        for (const auto& p : file.polygons) triangles += static_cast<int>(p.points.size()) - 2;
        Object3D* object = Load(o);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->GetVertexCapacity(), static_cast<int>(file.points.size())) << o.name;
        EXPECT_EQ(object->GetTriangleCapacity(), triangles) << o.name;
        std::vector<bool> used(object->GetVertexCapacity());
        double volume = 0;
        for (int i = 0; i < object->GetTriangleCapacity(); ++i) {
            const Triangle* t = object->GetTriangle(i);
            ASSERT_TRUE(t->IsEnabled()) << o.name << " triangle " << i;
            for (int c = 0; c < 3; ++c) used[t->GetVertex(c) - object->GetVertex(0)] = true;
            const Vec3 a = t->GetVertex(0)->GetPosition(), b = t->GetVertex(1)->GetPosition(),
                       c = t->GetVertex(2)->GetPosition();
            volume += Dot(a, Cross(b, c)) / 6.0;
        }
        for (int i = 0; i < object->GetVertexCapacity(); ++i) {
            EXPECT_TRUE(used[i]) << o.name << ": point " << i << " is in no polygon";
            EXPECT_NEAR(Length(object->GetVertex(i)->GetNormal()), 1.0f, 1e-3f) << o.name << " vertex " << i;
        }
        // With the show's winding the front faces are the outside ones: the enclosed
        // volume is positive.
        EXPECT_GT(volume, 0) << o.name;
        engine->DeleteObject(object);
    }
    EXPECT_EQ(made, names);
}

TEST_F(ForgeObjects, SizesFitHowTheSectionsPlaceThem) {
    struct Expected {
        const char* name;
        Vec3 size;
        float tolerance;
    };
    const Expected cases[] = {
        {"Link.lwo", {0.8f, 0.24f, 1.6f}, 0.05f},    {"Ball.lwo", {0.8f, 0.8f, 0.8f}, 0.02f},
        {"Droplet.lwo", {2, 2, 2}, 0.15f},          {"Gun1.lwo", {1.1f, 1.1f, 1.1f}, 0.1f},
        {"Torus1.lwo", {4.3f, 4.3f, 0.3f}, 0.1f},   {"Torus2.lwo", {3.5f, 3.5f, 0.25f}, 0.1f},
        {"Torus3.lwo", {2.6f, 2.6f, 0.65f}, 0.1f},  {"Cone.lwo", {0.03f, 0.15f, 0.03f}, 0.002f},
        {"TV.lwo", {200, 180, 160}, 25},            {"Brain.lwo", {2.0f, 1.8f, 2.5f}, 0.35f},
    };
    for (const Expected& e : cases) {
        Object3D* o = Load(Find(e.name));
        ASSERT_NE(o, nullptr);
        const Vec3 size = Bounds(o).Size();
        EXPECT_NEAR(size.x, e.size.x, e.tolerance) << e.name;
        EXPECT_NEAR(size.y, e.size.y, e.tolerance) << e.name;
        EXPECT_NEAR(size.z, e.size.z, e.tolerance) << e.name;
        engine->DeleteObject(o);
    }
    // The spike stands on the origin; the droplet has about 200 triangles (50 are drawn).
    Object3D* cone = Load(Find("Cone.lwo"));
    ASSERT_NE(cone, nullptr);
    EXPECT_NEAR(Bounds(cone).lo.y, 0.0f, 1e-6f);
    engine->DeleteObject(cone);
    Object3D* drop = Load(Find("Droplet.lwo"));
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(drop->GetTriangleCapacity(), 200);
    engine->DeleteObject(drop);
    // The TV's centre is the origin (the knobs stand out at the front): the second
    // phase's cameras, 60 units out, are inside.
    Object3D* tv = Load(Find("TV.lwo"));
    ASSERT_NE(tv, nullptr);
    const Box b = Bounds(tv);
    EXPECT_NEAR(b.lo.x + b.hi.x, 0.0f, 1.0f);
    EXPECT_NEAR(b.lo.z, -80.0f, 1.0f);
    EXPECT_LT(b.lo.y, -70.0f);
    engine->DeleteObject(tv);
}

TEST_F(ForgeObjects, HeartAndBrainAreDetailedWhereTheSectionsNeedIt) {
    Object3D* heart = Load(Find("Heart.lwo"));
    ASSERT_NE(heart, nullptr);
    EXPECT_GE(heart->GetTriangleCapacity(), 3000);
    EXPECT_LE(heart->GetTriangleCapacity(), 6000);
    const Vec3 heartSize = Bounds(heart).Size();
    EXPECT_GT(heartSize.y, 4.0f);
    EXPECT_LT(heartSize.y, 6.5f);
    // Each vessel opens where its droplets spray from: a face of the opening lies near the
    // spray point and looks the way the droplets fly.
    for (const forge::VesselOpening& v : forge::HeartVesselOpenings()) {
        const Vec3 at{v.position.x, v.position.y, v.position.z};
        const Vec3 way = Normalised(Vec3{v.direction.x, v.direction.y, v.direction.z});
        bool found = false;
        for (int i = 0; i < heart->GetTriangleCapacity() && !found; ++i) {
            const Triangle* t = heart->GetTriangle(i);
            const Vec3 centre = (t->GetVertex(0)->GetPosition() + t->GetVertex(1)->GetPosition() +
                                 t->GetVertex(2)->GetPosition()) * (1.0f / 3);
            found = Length(centre - at) < v.size + 0.35f && Dot(FaceNormal(t), way) > 0.9f;
        }
        EXPECT_TRUE(found) << "no opening at " << at.x << ", " << at.y << ", " << at.z;
    }
    engine->DeleteObject(heart);

    // The brain: flash paths search its upper side from its centre; they need far more
    // than 50 triangles facing up.
    Object3D* brain = Load(Find("Brain.lwo"));
    ASSERT_NE(brain, nullptr);
    EXPECT_GE(brain->GetTriangleCapacity(), 3000);
    EXPECT_LE(brain->GetTriangleCapacity(), 8000);
    int upward = 0;
    for (int i = 0; i < brain->GetTriangleCapacity(); ++i) upward += FaceNormal(brain->GetTriangle(i)).y > 0.5f;
    EXPECT_GT(upward, 500);
    // Its pictures span it seen from above: texel 0..256 across x and z.
    int32_t uMin = 1 << 30, uMax = -(1 << 30);
    for (int i = 0; i < brain->GetTriangleCapacity(); ++i)
        for (int c = 0; c < 3; ++c) {
            uMin = std::min(uMin, brain->GetTriangle(i)->GetTexCoord(c).u);
            uMax = std::max(uMax, brain->GetTriangle(i)->GetTexCoord(c).u);
        }
    EXPECT_GE(uMin, 0);
    EXPECT_LE(uMax, 256);
    EXPECT_GT(uMax - uMin, 250);
    engine->DeleteObject(brain);
}

TEST_F(ForgeObjects, TheScreenAloneFacesTheFirstCamerasWithThePicture) {
    Object3D* tv = Load(Find("TV.lwo"));
    ASSERT_NE(tv, nullptr);
    // The screen's picture is the only one 256 x 64 texels that its triangles span fully
    // (every stand-in picture is 300 x 100): its triangles face +z and cover u 0..256.
    std::map<Texture*, int> count;
    for (int i = 0; i < tv->GetTriangleCapacity(); ++i)
        if (Texture* t = tv->GetTriangle(i)->GetTexture()) ++count[t];
    EXPECT_EQ(count.size(), 1u);  // the screen alone: the show puts the video on every textured triangle
    gOpened.clear();
    engine->DeleteObject(tv);
    tv = Load(Find("TV.lwo"));
    ASSERT_NE(tv, nullptr);
    EXPECT_TRUE(gOpened.count("WARTV.JPG"));
    EXPECT_FALSE(gOpened.count("METAL1.JPG"));
    int screen = 0;
    for (int i = 0; i < tv->GetTriangleCapacity(); ++i) {
        const Triangle* t = tv->GetTriangle(i);
        const Vec3 p = t->GetVertex(0)->GetPosition();
        if (!t->GetTexture() || p.z < 70 || std::fabs(p.x) > 95) continue;
        ++screen;
        EXPECT_GT(FaceNormal(t).z, 0.5f);
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(t->GetTexCoord(c).u, 0);
            EXPECT_LE(t->GetTexCoord(c).u, 256);
        }
    }
    EXPECT_GT(screen, 100);
    engine->DeleteObject(tv);
}

TEST_F(ForgeObjects, TheSetUsesTheFormatOnPurpose) {
    std::set<size_t> polygonSizes;
    std::set<int> axes;
    bool folder = false, otherCase = false, sharedAcrossSurfaces = false;
    std::set<std::string> tableNames;
    for (const std::string& n : forge::EmbeddedNames()) {
        tableNames.insert(n.substr(6));
        tableNames.insert(Upper(n.substr(6)));
    }
    for (const auto& o : *objects) {
        const forge::LwobFile file = o.mesh.ToFile(o.winding);
        for (const auto& p : file.polygons) polygonSizes.insert(std::min<size_t>(p.points.size(), 5));
        for (const auto& s : file.surfaces) {
            if (!s.textured) continue;
            axes.insert(s.texture.axis);
            folder |= s.texture.image.find('\\') != std::string::npos;
            const std::string base = s.texture.image.substr(s.texture.image.find_last_of('\\') + 1);
            otherCase |= !tableNames.count(base) && tableNames.count(Upper(base));
        }
        Object3D* object = Load(o);
        ASSERT_NE(object, nullptr) << o.name;
        std::map<Texture*, std::set<uint16_t>> surfacesOf;
        // Triangles of polygons of different surfaces that got one texture.
        int triangle = 0;
        for (const auto& p : file.polygons)
            for (size_t k = 2; k < p.points.size(); ++k, ++triangle)
                if (Texture* t = object->GetTriangle(triangle)->GetTexture()) surfacesOf[t].insert(p.surface);
        for (const auto& [texture, surfaces] : surfacesOf) sharedAcrossSurfaces |= surfaces.size() > 1;
        engine->DeleteObject(object);
    }
    EXPECT_EQ(polygonSizes, (std::set<size_t>{3, 4, 5}));
    EXPECT_EQ(axes, (std::set<int>{0, 1, 2}));
    EXPECT_TRUE(folder);
    EXPECT_TRUE(otherCase);
    EXPECT_TRUE(sharedAcrossSurfaces);
}

TEST_F(ForgeObjects, SameBytesOnEveryRun) {
    forge::ContentSet a, b;
    forge::MakeObjects(a);
    forge::MakeObjects(b);
    ASSERT_EQ(a.Files().size(), b.Files().size());
    for (size_t i = 0; i < a.Files().size(); ++i) EXPECT_EQ(a.Files()[i].bytes, b.Files()[i].bytes) << a.Files()[i].name;
}
