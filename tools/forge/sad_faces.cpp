// sad_faces.cpp -- "Sad01.jpg".."Sad18.jpg": eighteen sad faces of 128 x 128 that slide
// round the brain at half opacity, one per music row. Each is drawn by its own recipe
// (face shape, eyes, brows, mouth, tears, palette, style), so no two look alike and all
// read as sadness: brows up in the middle, mouth turned down, tears.
#include <cmath>
#include <cstdio>
#include <string>

#include "content.h"
#include "paint.h"

namespace forge {

namespace {

constexpr int kSize = 128;

struct Palette {
    Colour ground, face, line, tear;
};

const Palette kPalettes[] = {
    {Rgb(10, 14, 40), Rgb(120, 150, 220), Rgb(240, 245, 255), Rgb(120, 220, 255)},
    {Rgb(30, 6, 30), Rgb(190, 120, 200), Rgb(255, 235, 255), Rgb(160, 200, 255)},
    {Rgb(6, 20, 18), Rgb(110, 170, 150), Rgb(230, 255, 240), Rgb(140, 255, 230)},
    {Rgb(36, 4, 8), Rgb(220, 110, 100), Rgb(255, 230, 210), Rgb(150, 210, 255)},
    {Rgb(18, 18, 22), Rgb(180, 180, 190), Rgb(255, 255, 255), Rgb(120, 180, 255)},
    {Rgb(24, 12, 4), Rgb(220, 170, 100), Rgb(255, 245, 220), Rgb(130, 200, 255)},
};

// Signed distance of the face outline for shape s, in face units (-1..1).
float FaceShape(int s, float x, float y) {
    switch (s) {
        case 0: return Length(x, y) - 0.78f;                                     // round
        case 1: return EllipseDistance(x, y, 0.62f, 0.84f);                      // long
        case 2: return EllipseDistance(x, y - 0.04f * x * x * 8, 0.80f, 0.70f);  // wide
        case 3: {                                                                // teardrop
            float top = Length(x, y + 0.10f) - 0.70f;
            float chin = SegmentDistance(x, y, 0, 0.2f, 0, 0.78f) - 0.06f;
            return SmoothMin(top, chin, 0.4f);
        }
        default: {  // ghost: round top, wavy hem
            float body = std::max(Length(x, std::min(y, 0.0f)) - 0.72f, std::fabs(x) - 0.72f);
            float hem = y - 0.72f - 0.10f * std::sin(x * 12.0f);
            return std::max(body, hem);
        }
    }
}

Canvas SadFace(int index) {
    Rng rng(0x5AD00 + index);
    Noise noise(0x5AD00 + index);
    const Palette& pal = kPalettes[index % 6];
    int shape = (index * 7 + 3) % 5;
    int eyes = (index * 5 + 1) % 4;   // 0 dots, 1 closed arcs, 2 hollow rings, 3 crosses
    int mouth = (index * 3) % 3;      // 0 frown arc, 1 wavy, 2 small open "o" drooping
    bool filled = index % 3 != 1;     // otherwise a line drawing
    bool negative = index % 7 == 5;
    float tilt = rng.Range(-0.25f, 0.25f);
    float scale = rng.Range(0.85f, 1.0f);
    float eyeGap = rng.Range(0.26f, 0.36f), eyeY = rng.Range(-0.22f, -0.08f);
    float mouthY = rng.Range(0.34f, 0.46f), mouthW = rng.Range(0.20f, 0.34f), droop = rng.Range(0.12f, 0.22f);
    int tears = 1 + index % 3;

    Canvas c(kSize, kSize);
    c.Fill([&](int, int, float u, float v) {
        float gx = u - 0.5f, gy = v - 0.5f;
        float n = 0.5f + 0.5f * noise.Fbm(u * 4.0f, v * 4.0f, 3);
        Colour ground = pal.ground * (0.7f + 0.6f * n) + pal.face * 0.15f * std::exp(-(gx * gx + gy * gy) / 0.08f);
        // Face coordinates: rotated by the tilt, -1..1 across the picture.
        float fx = (gx * std::cos(tilt) + gy * std::sin(tilt)) * 2.0f / scale;
        float fy = (-gx * std::sin(tilt) + gy * std::cos(tilt)) * 2.0f / scale;
        float d = FaceShape(shape, fx, fy);
        float px = 2.0f / kSize / scale;  // one pixel in face units
        Colour out = ground;
        float inside = SmoothStep(px, -px, d);
        float shade = Clamp01(0.55f - 0.45f * fy - 0.25f * fx + 0.2f * (n - 0.5f));
        if (filled) out = Mix(out, pal.face * (0.45f + 0.6f * shade), inside);
        float outline = SmoothStep(2.5f * px, 0.5f * px, std::fabs(d));
        out = Mix(out, pal.line, outline * (filled ? 0.6f : 1.0f));
        // Features are strokes; ink is the line colour (dark on a filled face).
        Colour ink = filled ? pal.ground * 0.5f : pal.line;
        float feat = 0.0f;
        for (int side = -1; side <= 1; side += 2) {
            float ex = side * eyeGap, ey = eyeY;
            float lx = fx - ex, ly = fy - ey;
            float eye = 1e3f;
            switch (eyes) {
                case 0: eye = Length(lx, ly) - 0.07f; break;
                case 1: eye = std::fabs(Length(lx, ly + 0.08f) - 0.10f) - 0.018f + (ly < -0.02f ? 1.0f : 0.0f); break;
                case 2: eye = std::fabs(Length(lx, ly) - 0.09f) - 0.02f; break;
                default:
                    eye = std::min(SegmentDistance(lx, ly, -0.07f, -0.07f, 0.07f, 0.07f),
                                   SegmentDistance(lx, ly, -0.07f, 0.07f, 0.07f, -0.07f)) - 0.018f;
            }
            // Brows rise towards the middle of the face.
            float brow = SegmentDistance(fx, fy, ex + side * 0.12f, ey - 0.16f, ex - side * 0.08f, ey - 0.28f) - 0.022f;
            feat = std::max(feat, SmoothStep(px, -px, std::min(eye, brow)));
        }
        float mx = fx / mouthW, my = fy - mouthY;
        float m = 1e3f;
        switch (mouth) {
            case 0: m = std::fabs(my + droop * (1 - mx * mx)) - 0.025f + (std::fabs(mx) > 1 ? 1.0f : 0.0f); break;
            case 1: m = std::fabs(my + droop * (1 - mx * mx) * 0.8f + 0.03f * std::sin(mx * 9.0f)) - 0.02f +
                        (std::fabs(mx) > 1 ? 1.0f : 0.0f); break;
            default: m = std::fabs(EllipseDistance(fx, my + 0.02f, 0.08f, 0.11f)) - 0.022f;
        }
        feat = std::max(feat, SmoothStep(px, -px, m));
        out = Mix(out, ink, feat);
        // Tears: drops under the eyes, with a glow.
        for (int t = 0; t < tears; ++t) {
            float side = (t % 2 == 0) ? -1.0f : 1.0f;
            float tx = side * eyeGap + 0.02f * t, ty = eyeY + 0.18f + 0.22f * t;
            float tdx = fx - tx, tdy = fy - ty;
            float drop = Length(tdx, std::max(tdy, 0.0f) * 1.0f + std::min(tdy, 0.0f) * 0.45f) - 0.05f;
            out = Mix(out, pal.tear, SmoothStep(px, -px, drop));
            out = out + pal.tear * 0.35f * std::exp(-(tdx * tdx + tdy * tdy) / 0.02f);
        }
        if (negative) out = Colour{1, 1, 1} - out * 0.9f;
        return out;
    });
    Vignette(c, 0.5f, 0.6f);
    return c;
}

}  // namespace

Canvas SadFacePicture(int index) { return SadFace(index); }

void MakeSadFaces(ContentSet& set) {
    for (int i = 0; i < 18; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Sad%02d.jpg", i + 1);
        JpegSettings jpeg;
        const Chroma chromas[] = {Chroma::S420, Chroma::S422, Chroma::S444};
        jpeg.chroma = chromas[i % 3];
        jpeg.quality = 62 + (i * 7) % 34;
        jpeg.restartInterval = (i % 4 == 1) ? 2 + i % 5 : 0;
        jpeg.optimiseHuffman = i % 5 == 2;
        if (i % 6 == 3) jpeg.markers.push_back(AppMarker(2, "Umbravel sad face"));
        if (i % 6 == 4) jpeg.markers.push_back(CommentMarker(name));
        if (i == 16) jpeg.markers.push_back(CommentMarker(""));  // an empty comment segment
        Image image = ToImage(SadFace(i));
        set.AddJpeg(std::string("Files\\") + name, image, jpeg);
        set.AddPreview(name, std::move(image));
    }
}

}  // namespace forge
