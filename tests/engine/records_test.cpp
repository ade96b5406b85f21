// Scene records: clamping, counts, corner rules, copies, scaling and normals.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/core/engine.h"

namespace {
struct EngineDeleter {
    void operator()(GLEngine* e) const { delete e; }
};
std::unique_ptr<GLEngine, EngineDeleter> MakeEngine() { return std::unique_ptr<GLEngine, EngineDeleter>(CreateGLEngine()); }

void ExpectVec(Vec3 v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}
}  // namespace

TEST(Records, FreshEngineHasNoErrorAndNoWindow) {
    auto engine = MakeEngine();
    EXPECT_STREQ(engine->GetErrorText(), "No Error");
    EXPECT_EQ(engine->GetWindow(), nullptr);
}

TEST(Records, DefaultsOfEveryRecord) {
    auto engine = MakeEngine();
    Camera* camera = engine->NewCamera();
    EXPECT_FLOAT_EQ(camera->GetFieldOfViewH(), 45.0f);
    EXPECT_FLOAT_EQ(camera->GetFieldOfViewV(), 33.834587f);
    EXPECT_EQ(camera->fogColour, Colour(200, 200, 200, 255));
    EXPECT_FLOAT_EQ(camera->fogEnd, 500.0f);
    ExpectVec(camera->GetUp(), 0, 1, 0);
    Light* light = engine->NewLight();
    EXPECT_EQ(light->type, kLightPoint);
    EXPECT_FALSE(light->IsEnabled());
    EXPECT_EQ(light->ambient, Colour(0, 0, 0, 255));
    Surface* surface = engine->NewSurface();
    EXPECT_EQ(surface->GetDiffuse(), Colour(192, 192, 192, 255));
    Texture* texture = engine->NewTexture();
    EXPECT_EQ(texture->glName, kNoTextureName);
    Triangle* triangle = engine->NewTriangle();
    EXPECT_EQ(triangle->GetCornerColour(0), Colour(0, 0, 0, 0));
    EXPECT_EQ(Colour(), Colour(200, 200, 200, 255));
    engine->DeleteCamera(camera);
    engine->DeleteLight(light);
    engine->DeleteSurface(surface);
    engine->DeleteTexture(texture);
    engine->DeleteTriangle(triangle);
    engine->DeleteTexture(nullptr);
    engine->DeleteObject(nullptr);
    engine->DeleteScene(nullptr);
}

TEST(Records, CornerOperationsIgnoreBadIndices) {
    Triangle t;
    t.SetCornerColour(3, Colour(1, 2, 3, 4));
    EXPECT_EQ(t.hasColours, 0);
    t.SetCornerColour(-1, Colour(1, 2, 3, 4));
    EXPECT_EQ(t.hasColours, 0);
    t.SetCornerColour(2, Colour(1, 2, 3, 4));
    EXPECT_EQ(t.hasColours, 1);
    EXPECT_EQ(t.GetCornerColour(2), Colour(1, 2, 3, 4));
    EXPECT_EQ(t.GetCornerColour(3), Colour(0, 0, 0, 0));
    Vertex v;
    t.SetVertex(3, &v);
    EXPECT_EQ(t.GetVertex(3), nullptr);
    t.SetTexCoord(5, {7, 8});
    EXPECT_EQ(t.GetTexCoord(5), (TexCoord{0, 0}));
    // The has-flags are set by the Set operations and never cleared by them.
    t.SetSurface(nullptr);
    t.SetTexture(nullptr);
    EXPECT_EQ(t.hasSurface, 1);
    EXPECT_EQ(t.hasTexture, 1);
}

TEST(Records, CameraClamping) {
    Camera c;
    c.SetFieldOfView(2, 200);
    EXPECT_FLOAT_EQ(c.GetFieldOfViewH(), 5.0f);
    EXPECT_FLOAT_EQ(c.GetFieldOfViewV(), 175.0f);
    c.SetClipPlanes(10, 5);
    EXPECT_FLOAT_EQ(c.GetNearPlane(), 1.0f);
    EXPECT_FLOAT_EQ(c.GetFarPlane(), 1000.0f);
    c.SetClipPlanes(0, 2e6f);
    EXPECT_FLOAT_EQ(c.GetNearPlane(), 1e-6f);
    EXPECT_FLOAT_EQ(c.GetFarPlane(), 1e6f);
    c.SetClipPlanes(5, 5);  // equal planes are refused too
    EXPECT_FLOAT_EQ(c.GetNearPlane(), 1e-6f);
    c.SetDirection({0, 0, -10});
    ExpectVec(c.GetDirection(), 0, 0, -1);
    Light l;
    l.SetSpotCutoff(-4);
    EXPECT_FLOAT_EQ(l.spotCutoff, 0.0f);
    l.SetSpotCutoff(120);
    EXPECT_FLOAT_EQ(l.spotCutoff, 90.0f);
    l.SetDirection({0, 0, -10});  // a light's direction is kept as given
    ExpectVec(l.direction, 0, 0, -10);
    Surface s;
    s.SetShininess(0.5f);
    EXPECT_EQ(s.shininess, 64);
    s.SetShininess(1.0f);
    EXPECT_EQ(s.shininess, 128);
}

TEST(Records, ObjectCountsAndChildren) {
    auto engine = MakeEngine();
    Object3D* o = engine->NewObject(2, 1, 4, 3);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->trianglesInUse, 4);
    EXPECT_EQ(o->childrenAdded, 0);
    o->SetTriangleCount(-1);
    EXPECT_EQ(o->trianglesInUse, 4);
    o->SetTriangleCount(5);
    EXPECT_EQ(o->trianglesInUse, 4);
    o->SetTriangleCount(0);
    EXPECT_EQ(o->trianglesInUse, 0);
    o->SetVertexCount(2);
    EXPECT_EQ(o->verticesInUse, 2);
    Object3D a, b, c;
    o->AddChild(&a);
    o->AddChild(&b);
    o->AddChild(&c);  // full: nothing happens
    EXPECT_EQ(o->childrenAdded, 2);
    EXPECT_EQ(o->GetChild(1), &b);
    o->RemoveChild(&a);
    EXPECT_EQ(o->GetChild(0), nullptr);
    EXPECT_EQ(o->childrenAdded, 2);  // the added count never shrinks
    o->AddChild(&c);                 // so the freed slot is not reused
    EXPECT_EQ(o->GetChild(0), nullptr);

    // A copy shares the arrays.
    Object3D* copy = engine->NewObject(*o);
    EXPECT_EQ(copy->triangles, o->triangles);
    engine->DeleteObject(o);
    delete copy;

    Object3D* empty = engine->NewObject(0, 0, 0, 0);
    EXPECT_EQ(empty->vertices, nullptr);
    EXPECT_EQ(empty->children, nullptr);
    engine->DeleteObject(empty);
    Object3D* negative = engine->NewObject(-1, -5, -2, -3);
    EXPECT_EQ(negative->triangleCapacity, 0);
    EXPECT_EQ(negative->triangles, nullptr);
    engine->DeleteObject(negative);
}

TEST(Records, SceneSlots) {
    auto engine = MakeEngine();
    Scene* scene = engine->NewScene(2, 2);
    EXPECT_EQ(scene->GetActiveCamera(), nullptr);
    EXPECT_EQ(scene->GetObject(0), nullptr);
    Object3D a, b;
    scene->AddObject(&a);
    scene->AddObject(&a);
    scene->AddObject(&b);  // full
    EXPECT_EQ(scene->objectsAdded, 2);
    scene->RemoveObject(&a);  // stored twice: both slots cleared
    EXPECT_EQ(scene->GetObject(0), nullptr);
    EXPECT_EQ(scene->GetObject(1), nullptr);
    engine->DeleteScene(scene);
}

TEST(Records, SetImageMarksOnlyUploadedTexturesDirty) {
    Texture t;
    uint8_t pixels[16] = {};
    const int32_t size[2] = {2, 2};
    t.SetImage(size, pixels, 1);
    EXPECT_EQ(t.dirty, 0);
    EXPECT_EQ(t.width, 2);
    t.glName = 5;
    t.SetImage(size, pixels, 0);
    EXPECT_EQ(t.dirty, 1);
    EXPECT_EQ(t.glName, 5u);
}

TEST(Records, ScaleIsAbsolutePerAxis) {
    auto engine = MakeEngine();
    Object3D* o = engine->NewObject(0, 0, 0, 2);
    o->SetVertexCount(1);  // scaling works on every vertex up to the capacity
    o->GetVertex(0)->SetPosition({1, 2, 3});
    o->GetVertex(0)->SetNormal({0, 1, 0});
    o->GetVertex(1)->SetPosition({4, 4, 4});
    o->GetVertex(1)->SetNormal({1, 1, 0});
    o->Scale(2, 1, 1, 1);
    ExpectVec(o->GetVertex(0)->GetPosition(), 2, 4, 6);
    ExpectVec(o->GetVertex(1)->GetPosition(), 8, 8, 8);
    o->Scale(2, 1, 1, 1);  // already at 2: nothing changes
    ExpectVec(o->GetVertex(0)->GetPosition(), 2, 4, 6);
    o->ResetScale();
    o->Scale(0.5f, 0, 1, 0);  // halves y only
    ExpectVec(o->GetVertex(0)->GetPosition(), 2, 2, 6);
    ExpectVec(o->GetVertex(1)->GetNormal(), 1 / std::sqrt(1.25f), 0.5f / std::sqrt(1.25f), 0);
    engine->DeleteObject(o);
}

TEST(Records, CalculateNormalsOfACubeAreUnitAndPointOutwards) {
    auto engine = MakeEngine();
    // A unit cube around the origin: 8 corners, 6 quads as 12 counter-clockwise triangles.
    Object3D* cube = engine->NewObject(0, 0, 12, 8);
    for (int i = 0; i < 8; ++i) {
        cube->GetVertex(i)->SetPosition({(i & 1) ? 1.f : -1.f, (i & 2) ? 1.f : -1.f, (i & 4) ? 1.f : -1.f});
        cube->GetVertex(i)->Enable();
    }
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int q = 0; q < 6; ++q) {
        for (int k = 0; k < 2; ++k) {
            Triangle* t = cube->GetTriangle(q * 2 + k);
            t->SetVertex(0, cube->GetVertex(quads[q][0]));
            t->SetVertex(1, cube->GetVertex(quads[q][1 + k]));
            t->SetVertex(2, cube->GetVertex(quads[q][2 + k]));
            t->Enable();
        }
    }
    cube->CalculateNormals();
    for (int i = 0; i < 8; ++i) {
        const Vec3 n = cube->GetVertex(i)->GetNormal();
        const Vec3 p = cube->GetVertex(i)->GetPosition();
        EXPECT_NEAR(Length(n), 1.0f, 1e-5f);
        EXPECT_GT(Dot(n, p), 0.0f) << "vertex " << i;
    }
    // A degenerate triangle adds nothing, and a vertex no triangle touches keeps a zero normal.
    Object3D* flat = engine->NewObject(0, 0, 1, 4);
    for (int i = 0; i < 4; ++i) flat->GetVertex(i)->Enable();
    Triangle* t = flat->GetTriangle(0);
    for (int c = 0; c < 3; ++c) t->SetVertex(c, flat->GetVertex(c));
    t->Enable();
    flat->CalculateNormals();
    ExpectVec(flat->GetVertex(0)->GetNormal(), 0, 0, 0);
    ExpectVec(flat->GetVertex(3)->GetNormal(), 0, 0, 0);
    engine->DeleteObject(cube);
    engine->DeleteObject(flat);
}
