// missile.cpp -- building and animating the missile. The body is 31 rings of 8 vertices,
// the tail 11 rings of 16 (fins at every fourth vertex), joined by a bridge of 24
// triangles; every vertex is recomputed each frame from the shape tables and the time.
#include "sections/missile.h"

#include <cmath>
#include <cstdlib>

#include "codecs/image.h"
#include "filestore/filestore.h"
#include "shell/demo_state.h"
#include "shell/quit.h"
#include "shell/random.h"

namespace {
constexpr int kBodyRings = 31, kBodyRing = 8, kTailRings = 11, kTailRing = 16;
constexpr int kBodyVertices = kBodyRings * kBodyRing;  // 248
constexpr int kTailVertices = kTailRings * kTailRing;  // 176
constexpr int kBodyTriangles = 480, kTailTriangles = 320, kBridgeTriangles = 24;
constexpr double kDegrees = 3.14159265358979323846 / 180.0;

// The shape of the animation in time (seconds since the first frame).
constexpr float kTwistStart = 8.727273f, kMorphStart = 17.454546f, kMorphEnd = 34.909092f;
constexpr float kFadeOut = 39.272728f, kFlip = 43.636364f, kSwell = 48.0f;

Object3D* missile = nullptr;
Vertex* body[kBodyVertices];
Vertex* tail[kTailVertices];
Triangle* bodyTriangles[kBodyTriangles];
Triangle* tailTriangles[kTailTriangles];
Triangle* bridgeTriangles[kBridgeTriangles];
Colour bodyColours[kBodyVertices];
Colour tailColours[kTailVertices];
Texture* missileTexture = nullptr;

float bodyRadiusA1[kBodyRing], bodyRadiusA2[kBodyRing];
constexpr float kTailAngles[kTailRing] = {0, 5, 45, 85, 90, 95, 135, 175, 180, 185, 225, 265, 270, 275, 315, 355};
float tailRadiusB1[kTailRing], tailRadiusB2[kTailRing];
float bodyLengthP1[kBodyRings], bodyLengthP2[kBodyRings], tailLengthP1[kTailRings], tailLengthP2[kTailRings];

bool started = false;
float startTime = 0.0f;
bool flipped = false;  // once per run of the program
}  // namespace

float MissileCornerRadius(double c) {
    const double a = c / std::sqrt(2.0);
    const double m = a / (a - 0.5);
    const double q = (m / 2) / (m - std::tan(5.0 * kDegrees));
    return static_cast<float>(std::sqrt((m * q - m / 2) * (m * q - m / 2) + q * q));
}

namespace {

float LengthBulge(int n) {
    return static_cast<float>((600.0 * std::sin(3.14159265358979323846 * n / 41.0) +
                               60.0 * std::cos(10.0 * 3.14159265358979323846 * n / 41.0) + 36.0) /
                              180.0);
}

void FillShapeTables() {
    for (int k = 0; k < kBodyRing; ++k) {
        bodyRadiusA1[k] = 0.5f;
        bodyRadiusA2[k] = (k % 2 == 0) ? 0.5f : 0.15f;
    }
    for (int k = 0; k < kTailRing; ++k) {
        tailRadiusB1[k] = (k % 2 == 0) ? 0.5f : MissileCornerRadius(0.5);
        tailRadiusB2[k] = (k % 4 == 0) ? 0.5f : (k % 4 == 2) ? 0.15f : MissileCornerRadius(0.15);
    }
    for (int i = 0; i < kBodyRings; ++i) {
        bodyLengthP1[i] = i < 10 ? 0.1f * static_cast<float>(i) : 1.0f;
        bodyLengthP2[i] = bodyLengthP1[i] * LengthBulge(i);
    }
    for (int j = 0; j < kTailRings; ++j) {
        tailLengthP1[j] = 1.0f;
        tailLengthP2[j] = tailLengthP1[j] * LengthBulge(j + 31);
    }
}

int32_t TexelRow(int n) { return (255 * n) / 41; }

void SetUpTriangle(Triangle* t, Vertex* v0, Vertex* v1, Vertex* v2, TexCoord c0, TexCoord c1, TexCoord c2) {
    t->SetVertex(0, v0);
    t->SetVertex(1, v1);
    t->SetVertex(2, v2);
    t->SetTexture(missileTexture);
    t->SetTexCoord(0, c0);
    t->SetTexCoord(1, c1);
    t->SetTexCoord(2, c2);
    t->Enable();
}

// A ring of `count` vertices around its quad strip; calls `quad` for (ring, k) with the
// four vertex numbers a0, a1, b0, b1 in the ring table.
template <typename F>
void ForEachQuad(int rings, int count, F quad) {
    for (int r = 0; r + 1 < rings; ++r)
        for (int k = 0; k < count; ++k)
            quad(r, k, count * r + k, count * r + (k + 1) % count, count * (r + 1) + k, count * (r + 1) + (k + 1) % count);
}

float Blend(float first, float second, float f) { return (1.0f - f) * first + f * second; }

float Modulo360(float a) {
    const float m = std::fmod(a, 360.0f);
    return m < 0 ? m + 360.0f : m;
}

// The twist of ring n (0..41) in degrees.
float Twist(float t, float w, float s, int n) {
    const float twisted = w + 0.5f * s * static_cast<float>(n) / 41.0f;
    if (t < kTwistStart) return w;
    if (t <= kMorphStart) {
        const float g = (t - kTwistStart) * 0.11458333f;
        return g * twisted + (1.0f - g) * w;
    }
    return twisted;
}

Colour Tinted(Colour c, int k) {
    return Colour(static_cast<uint8_t>(255 - ((c.r * k) >> 8)), static_cast<uint8_t>(255 - ((c.g * k) >> 8)),
                  static_cast<uint8_t>(255 - ((c.b * k) >> 8)), 255);
}
}  // namespace

void BuildMissile() {
    FillShapeTables();

    SeedRandom(123456);
    auto randomColour = [] {
        const uint8_t d1 = static_cast<uint8_t>(Random()), d2 = static_cast<uint8_t>(Random()),
                      d3 = static_cast<uint8_t>(Random());
        return Colour(d3, d2, d1, 255);
    };
    for (Colour& c : bodyColours) c = randomColour();
    for (Colour& c : tailColours) c = randomColour();

    RgbImage* picture = LoadJpegImage("missile.jpg");
    if (!picture) Quit("Could not load missile.jpg");
    uint8_t* pixels = MakeRgbaPixels(*picture, 255);
    if (!pixels) Quit("Could not load missile.jpg");
    missileTexture = demo.engine->NewTexture();
    if (!missileTexture) Quit("Could not load missile.jpg");
    const int32_t size[2] = {picture->width, picture->height};
    missileTexture->SetImage(size, pixels, 1);
    DestroyRgbImage(picture);

    missile = demo.engine->NewObject(0, 0, kBodyTriangles + kTailTriangles + kBridgeTriangles,
                                     kBodyVertices + kTailVertices);
    if (!missile || missile->GetVertexCapacity() != kBodyVertices + kTailVertices) Quit("Could not create new object");
    missile->Enable();
    for (int i = 0; i < kBodyVertices; ++i) (body[i] = missile->GetVertex(i))->Enable();
    for (int i = 0; i < kTailVertices; ++i) (tail[i] = missile->GetVertex(kBodyVertices + i))->Enable();
    for (int i = 0; i < kBodyTriangles; ++i) bodyTriangles[i] = missile->GetTriangle(i);
    for (int i = 0; i < kTailTriangles; ++i) tailTriangles[i] = missile->GetTriangle(kBodyTriangles + i);
    for (int i = 0; i < kBridgeTriangles; ++i)
        bridgeTriangles[i] = missile->GetTriangle(kBodyTriangles + kTailTriangles + i);

    ForEachQuad(kBodyRings, kBodyRing, [](int r, int k, int a0, int a1, int b0, int b1) {
        const TexCoord ca0{-32 * k, TexelRow(r)}, ca1{-32 * (k + 1), TexelRow(r)};
        const TexCoord cb0{-32 * k, TexelRow(r + 1)}, cb1{-32 * (k + 1), TexelRow(r + 1)};
        const int q = 8 * r + k;
        SetUpTriangle(bodyTriangles[2 * q], body[a0], body[a1], body[b1], ca0, ca1, cb1);
        SetUpTriangle(bodyTriangles[2 * q + 1], body[a0], body[b1], body[b0], ca0, cb1, cb0);
    });
    ForEachQuad(kTailRings, kTailRing, [](int j, int k, int a0, int a1, int b0, int b1) {
        const TexCoord ca0{-16 * k, TexelRow(j + 31)}, ca1{-16 * (k + 1), TexelRow(j + 31)};
        const TexCoord cb0{-16 * k, TexelRow(j + 32)}, cb1{-16 * (k + 1), TexelRow(j + 32)};
        const int q = 16 * j + k;
        SetUpTriangle(tailTriangles[2 * q], tail[a0], tail[a1], tail[b1], ca0, ca1, cb1);
        SetUpTriangle(tailTriangles[2 * q + 1], tail[a0], tail[b1], tail[b0], ca0, cb1, cb0);
    });
    for (int k = 0; k < 8; ++k) {
        Vertex *b0 = body[240 + k], *b1 = body[240 + (k + 1) % 8];
        Vertex *t0 = tail[2 * k], *t1 = tail[2 * k + 1], *t2 = tail[(2 * k + 2) % 16];
        const TexCoord cb0{-32 * k, 186}, cb1{-32 * (k + 1), 186};
        const TexCoord ct0{-32 * k, 192}, ct1{-32 * k - 16, 192}, ct2{-32 * k - 32, 192};
        SetUpTriangle(bridgeTriangles[3 * k], b0, t1, t0, cb0, ct1, ct0);
        SetUpTriangle(bridgeTriangles[3 * k + 1], b0, t2, t1, cb0, ct2, ct1);
        SetUpTriangle(bridgeTriangles[3 * k + 2], b0, b1, t2, cb0, cb1, ct2);
    }
}

Object3D* GetMissileObject() { return missile; }

void AnimateMissile() {
    if (!missile) return;
    const float now = GetTime();
    if (!started) {
        started = true;
        startTime = now;
    }
    const float t = now - startTime;

    // Cross-sections, twist and length profiles.
    float rb[kBodyRing], rt[kTailRing];
    const float morph = t < kMorphStart ? 0.0f : t > kMorphEnd ? 1.0f : (t - kMorphStart) * 0.057291664f;
    for (int k = 0; k < kBodyRing; ++k) rb[k] = Blend(bodyRadiusA1[k], bodyRadiusA2[k], morph);
    for (int k = 0; k < kTailRing; ++k) rt[k] = Blend(tailRadiusB1[k], tailRadiusB2[k], morph);
    const float w = Modulo360(100.0f * t + 130.0f);
    const float s = 360.0f * static_cast<float>(std::sin(w * kDegrees));
    float pb[kBodyRings], pt[kTailRings];
    const float bulge = t < kMorphEnd ? 0.0f : t > kSwell ? 1.0f : (t - kMorphEnd) * 0.07638888f;
    const float swell = t > kSwell ? (t - kSwell) * 4.3636365f : 0.0f;
    for (int i = 0; i < kBodyRings; ++i) {
        pb[i] = Blend(bodyLengthP1[i], bodyLengthP2[i], bulge);
        if (t > kSwell) pb[i] = (swell + 1.0f) * pb[i] + swell;
    }
    for (int j = 0; j < kTailRings; ++j) {
        pt[j] = Blend(tailLengthP1[j], tailLengthP2[j], bulge);
        if (t > kSwell) pt[j] = (swell + 1.0f) * pt[j] + swell;
    }

    for (int i = 0; i < kBodyRings; ++i) {
        const float y = 1.5f - (static_cast<float>(i) - 0.5f) * 0.075f;
        for (int k = 0; k < kBodyRing; ++k) {
            const double a = Modulo360(45.0f * static_cast<float>(k) + Twist(t, w, s, i)) * kDegrees;
            const float c = static_cast<float>(std::cos(a)), sn = static_cast<float>(std::sin(a));
            const float r = pb[i] * rb[k];
            body[8 * i + k]->SetNormal({c, 0.0f, sn});
            body[8 * i + k]->SetPosition({r * c, y, r * sn});
        }
    }
    for (int j = 0; j < kTailRings; ++j) {
        const int n = j + 31;
        const float y = 1.5f - (static_cast<float>(n) - 0.5f) * 0.075f;
        for (int k = 0; k < kTailRing; ++k) {
            const double a = Modulo360(kTailAngles[k] + Twist(t, w, s, n)) * kDegrees;
            const float c = static_cast<float>(std::cos(a)), sn = static_cast<float>(std::sin(a));
            float r = rt[k] * pt[j];
            if (k % 4 == 0) r *= 1.0f + 0.09090909f * static_cast<float>(j);  // the fin tips grow rearwards
            tail[16 * j + k]->SetNormal({c, 0.0f, sn});
            tail[16 * j + k]->SetPosition({r * c, y, r * sn});
        }
    }

    // Colour intensity and alpha.
    int intensity = 0;
    if (t >= kTwistStart) {
        const float d = t - kTwistStart;
        const float e = std::sqrt((1.0f - std::cos(5.0f * d)) / 2.0f);
        intensity = t <= kFadeOut ? static_cast<int>(256.0f * e * d * 0.032738093f) : static_cast<int>(256.0f * e);
    }
    int alpha = 255;
    if (t >= kFadeOut && t <= kSwell)
        alpha = t < kFlip ? 255 - static_cast<int>((t - kFadeOut) * 58.4375f) : static_cast<int>((t - kFlip) * 58.4375f);
    const uint8_t alphaByte = static_cast<uint8_t>(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha);

    // The inside-out turn: the second triangle of every quad faces inwards from now on.
    if (!flipped && t > kFlip) {
        flipped = true;
        auto flip = [](Triangle* tri) {
            Vertex* v = tri->GetVertex(1);
            const TexCoord c = tri->GetTexCoord(1);
            tri->SetVertex(1, tri->GetVertex(2));
            tri->SetTexCoord(1, tri->GetTexCoord(2));
            tri->SetVertex(2, v);
            tri->SetTexCoord(2, c);
        };
        for (int q = 0; q < kBodyTriangles / 2; ++q) flip(bodyTriangles[2 * q + 1]);
        for (int q = 0; q < kTailTriangles / 2; ++q) flip(tailTriangles[2 * q + 1]);
    }

    // Corner colours: the quad's first triangle opaque, then its four colours take the
    // alpha and the second triangle gets them (by corner number, also after the flip).
    Colour bc[kBodyVertices], tc[kTailVertices];
    for (int i = 0; i < kBodyVertices; ++i) bc[i] = Tinted(bodyColours[i], intensity);
    for (int i = 0; i < kTailVertices; ++i) tc[i] = Tinted(tailColours[i], intensity);
    auto colourQuads = [alphaByte](Triangle** triangles, Colour* colours, int rings, int count) {
        ForEachQuad(rings, count, [&](int r, int k, int a0, int a1, int b0, int b1) {
            const int q = count * r + k;
            Triangle* first = triangles[2 * q];
            first->SetCornerColour(0, colours[a0]);
            first->SetCornerColour(1, colours[a1]);
            first->SetCornerColour(2, colours[b1]);
            for (int v : {a0, a1, b0, b1}) colours[v].a = alphaByte;
            Triangle* second = triangles[2 * q + 1];
            second->SetCornerColour(0, colours[a0]);
            second->SetCornerColour(1, colours[b1]);
            second->SetCornerColour(2, colours[b0]);
        });
    };
    colourQuads(bodyTriangles, bc, kBodyRings, kBodyRing);
    colourQuads(tailTriangles, tc, kTailRings, kTailRing);
    for (int k = 0; k < 8; ++k) {
        Colour& b0 = bc[240 + k];
        Colour& b1 = bc[240 + (k + 1) % 8];
        Colour& t0 = tc[2 * k];
        Colour& t1 = tc[2 * k + 1];
        const Colour& t2 = tc[(2 * k + 2) % 16];
        auto opaque = [](Colour c) {
            c.a = 255;
            return c;
        };
        Triangle* first = bridgeTriangles[3 * k];
        first->SetCornerColour(0, opaque(b0));
        first->SetCornerColour(1, opaque(t1));
        first->SetCornerColour(2, opaque(t0));
        Triangle* second = bridgeTriangles[3 * k + 1];
        second->SetCornerColour(0, opaque(b0));
        second->SetCornerColour(1, opaque(t2));
        second->SetCornerColour(2, opaque(t1));
        b0.a = b1.a = t0.a = t1.a = alphaByte;
        Triangle* third = bridgeTriangles[3 * k + 2];
        third->SetCornerColour(0, b0);
        third->SetCornerColour(1, b1);
        third->SetCornerColour(2, t2);
    }
}
