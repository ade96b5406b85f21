// war_video.cpp -- the war footage on the TV: 361 frames of 256 x 256 at 15 frames a
// second, a city at night under tracer fire, flak and explosions, as a night camera
// would send it. It loops: every moving thing is a function of the frame modulo 361
// (events are aged modulo the loop, the smoke blends two noise phases one loop apart),
// so frame 360 runs into frame 0 without a jump. Also "WarTV.jpg", the TV's own screen
// picture, a still from the same footage.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "content.h"
#include "paint.h"
#include "pieces.h"
#include "typeface.h"

namespace forge {

namespace {

constexpr int kSide = 256;
constexpr int kLoop = kWarFrames;  // 361 = 19 x 19 frames
constexpr int kGroundY = 196;      // the skyline's foot

int Age(int frame, int start) { return ((frame - start) % kLoop + kLoop) % kLoop; }

struct Blast {
    int start;
    float x, y;     // centre; y near kGroundY for ground hits, higher for flak
    float size;
    int life;
    bool ground;
};

struct Gun {
    float x;
    float aim;      // radians from vertical, leaning left (negative) or right
    float sweep;
    int offset;
    uint32_t blocks;  // which of the 19 blocks of 19 frames hold a burst
};

struct Scene {
    std::vector<float> skyline;   // roof height per column
    std::vector<uint8_t> windows; // lit windows, per pixel below the roofs
    std::vector<Blast> blasts;
    std::vector<Gun> guns;
    std::vector<float> fires;  // columns of buildings that burn all through the loop
};

const Scene& City() {
    static const Scene scene = [] {
        Scene s;
        Rng rng(0x3A2);
        s.skyline.assign(kSide + 16, 0);
        for (int x = 0; x < kSide + 16;) {
            int w = 6 + rng.Int(18);
            float h = rng.Range(14, 58);
            if (rng.Int(6) == 0) h += 30;  // a tower
            for (int i = 0; i < w && x < kSide + 16; ++i, ++x) s.skyline[x] = kGroundY - h;
        }
        s.windows.assign(static_cast<size_t>(kSide + 16) * kSide, 0);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide + 16; ++x)
                if (y > s.skyline[x] + 3 && y < kGroundY && (x % 4) == 1 && (y % 5) == 2 && rng.Int(9) == 0)
                    s.windows[static_cast<size_t>(y) * (kSide + 16) + x] = 1;
        for (int i = 0; i < 22; ++i) {
            Blast b;
            b.start = rng.Int(kLoop);
            b.ground = i % 3 != 2;
            b.x = rng.Range(20, 236);
            b.y = b.ground ? kGroundY - rng.Range(0, 20) : rng.Range(30, 120);
            b.size = b.ground ? rng.Range(10, 22) : rng.Range(4, 9);
            b.life = b.ground ? 26 + rng.Int(20) : 8 + rng.Int(6);
            s.blasts.push_back(b);
        }
        for (int i = 0; i < 5; ++i) {
            Gun g;
            g.x = 24 + i * 50 + rng.Range(-10, 10);
            g.aim = rng.Range(-0.5f, 0.5f);
            g.sweep = rng.Range(0.1f, 0.3f);
            g.offset = rng.Int(19);
            g.blocks = static_cast<uint32_t>(rng.Next()) | 0x11111u;  // every gun fires often
            s.guns.push_back(g);
        }
        for (int i = 0; i < 4; ++i) s.fires.push_back(rng.Range(20, 236));
        return s;
    }();
    return scene;
}

bool Firing(const Gun& g, int s) {
    s = Age(s, 0);
    int block = s / 19, within = (s + g.offset) % 19;
    return ((g.blocks >> block) & 1u) && within < 9 && s % 2 == 0;
}

// Where round fired at s is after `age` frames (pixels; y down).
void RoundAt(const Gun& g, int s, float age, float& x, float& y) {
    float a = g.aim + g.sweep * std::sin(kTau * 3.0f * Age(s, 0) / kLoop);
    float speed = 9.0f;
    x = g.x + std::sin(a) * speed * age;
    y = kGroundY - std::cos(a) * speed * age + 0.09f * age * age;
}

}  // namespace

Canvas WarFrame(int frame) {
    const Scene& city = City();
    static const Noise noise(0x3A2);
    frame = Age(frame, 0);
    float phase = static_cast<float>(frame) / kLoop;
    // A hand-held camera: small periodic shake.
    float shakeX = 1.6f * std::sin(kTau * 5.0f * phase) + 0.8f * std::sin(kTau * 13.0f * phase + 1.0f);
    float shakeY = 1.2f * std::sin(kTau * 7.0f * phase + 2.0f);

    // Light of the fires on the horizon, for the smoke and the sky.
    struct Light { float x, y, k; };
    std::vector<Light> lights;
    for (const Blast& b : city.blasts) {
        int age = Age(frame, b.start);
        if (age >= b.life) continue;
        float k = age < 3 ? 1.0f + (3 - age) * 0.7f : std::exp(-(age - 3) / (b.life * 0.35f));
        lights.push_back({b.x + shakeX, b.y + shakeY, k * (b.ground ? 1.0f : 0.5f)});
    }
    // Fires that never go out flicker at whole multiples of the loop's frequency.
    std::vector<Light> fires;
    for (size_t i = 0; i < city.fires.size(); ++i) {
        float x = city.fires[i];
        float roof = city.skyline[std::clamp(static_cast<int>(x) + 8, 0, kSide + 15)];
        float flicker = 0.75f + 0.15f * std::sin(kTau * (37.0f + 11 * i) * phase) + 0.1f * std::sin(kTau * (71.0f + 5 * i) * phase);
        fires.push_back({x + shakeX, roof + shakeY, flicker});
        lights.push_back({x + shakeX, roof + shakeY, flicker * 0.45f});
    }
    // Two searchlights sweeping the sky from the ground.
    struct Beam { float x, dx, dy; };
    Beam beams[2];
    for (int i = 0; i < 2; ++i) {
        float a = (i ? 0.45f : -0.35f) + 0.35f * std::sin(kTau * (2.0f + i) * phase + i * 2.0f);
        beams[i] = {(i ? 190.0f : 60.0f) + shakeX, std::sin(a), -std::cos(a)};
    }

    // Smoke at quarter resolution, looped: two phases of drifting noise one loop apart.
    constexpr int kLow = 64;
    std::vector<float> smoke(kLow * kLow);
    for (int y = 0; y < kLow; ++y)
        for (int x = 0; x < kLow; ++x) {
            float u = x / 16.0f, v = y / 16.0f;
            float t0 = frame * 0.02f, t1 = (frame - kLoop) * 0.02f;
            float n0 = noise.Fbm(u + t0 * 1.5f, v, t0, 3);
            float n1 = noise.Fbm(u + t1 * 1.5f, v, t1, 3);
            smoke[y * kLow + x] = Lerp(n0, n1, phase);
        }
    auto smokeAt = [&](float px, float py) {
        float fx = std::clamp(px / 4.0f - 0.5f, 0.0f, kLow - 1.001f), fy = std::clamp(py / 4.0f - 0.5f, 0.0f, kLow - 1.001f);
        int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
        float ax = fx - ix, ay = fy - iy;
        const float* s = &smoke[iy * kLow + ix];
        return Lerp(Lerp(s[0], s[1], ax), Lerp(s[kLow], s[kLow + 1], ax), ay);
    };

    Canvas c(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            float sx = x - shakeX, sy = y - shakeY;
            float h = Clamp01(sy / kGroundY);
            Colour sky = Mix(Rgb(8, 14, 26), Rgb(44, 56, 62), h * h);
            for (const Beam& b : beams) {
                float rx = x - b.x, ry = y - (kGroundY + shakeY);
                float along = rx * b.dx + ry * b.dy;
                if (along <= 0) continue;
                float across = rx * b.dy - ry * b.dx;
                float w = 2.0f + along * 0.06f;
                sky = sky + Rgb(150, 170, 190) * (0.22f * std::exp(-across * across / (w * w)) * std::exp(-along / 260.0f));
            }
            float fire = 0;
            for (const Light& l : lights) {
                float dx = x - l.x, dy = (y - l.y) * 1.6f;
                fire += l.k * 900.0f / (900.0f + dx * dx + dy * dy);
            }
            float sm = Clamp01(smokeAt(sx, sy) * 0.9f + 0.35f) * SmoothStep(20.0f, 150.0f, sy);
            Colour out = sky + Rgb(255, 110, 30) * fire * 0.55f;
            out = Mix(out, Rgb(40, 36, 34) + Rgb(255, 120, 40) * fire * 0.6f, sm * 0.7f);
            // The city: black roofs with a few lit windows, their edges lit by the fires.
            int cx = std::clamp(static_cast<int>(sx) + 8, 0, kSide + 15);
            if (sy >= city.skyline[cx]) {
                float lit = city.windows[static_cast<size_t>(std::clamp(static_cast<int>(sy), 0, kSide - 1)) * (kSide + 16) + cx];
                out = Rgb(4, 6, 8) + Rgb(255, 100, 30) * fire * 0.08f + Rgb(255, 200, 110) * lit * 0.6f;
                if (sy < city.skyline[cx] + 1.5f) out = out + Rgb(255, 120, 40) * fire * 0.4f;
            }
            if (sy >= kGroundY) out = Rgb(3, 4, 5) + Rgb(255, 100, 30) * fire * 0.1f;
            c.At(x, y) = out;
        }

    // Fireballs and flak.
    for (const Blast& b : city.blasts) {
        int age = Age(frame, b.start);
        if (age >= b.life) continue;
        float grow = 1.0f - std::exp(-age / 3.0f);
        float k = age < 2 ? 1.6f : std::exp(-(age - 2) / (b.life * 0.3f));
        float bx = b.x + shakeX, by = b.y + shakeY - (b.ground ? age * 0.6f : 0);
        AddGlow(c, bx, by, b.size * (0.4f + grow * 0.6f), Rgb(255, 150, 50) * k, b.size * 5.0f);
        AddGlow(c, bx, by, b.size * 0.3f, Rgb(255, 240, 200) * k * (age < 6 ? 1.0f : 0.3f), b.size * 2.0f);
    }
    for (const Light& f : fires) {
        AddGlow(c, f.x, f.y - 2, 5.0f * f.k, Rgb(255, 130, 40) * f.k, 30);
        AddGlow(c, f.x, f.y, 2.0f, Rgb(255, 230, 150) * f.k, 8);
    }
    // Tracers: every round alive now, from its last position to this one.
    for (const Gun& g : city.guns)
        for (int age = 0; age < 26; ++age) {
            int s = frame - age;
            if (!Firing(g, s)) continue;
            float x0, y0, x1, y1;
            RoundAt(g, s, static_cast<float>(age), x1, y1);
            RoundAt(g, s, std::max(0.0f, age - 0.9f), x0, y0);
            float fade = 1.0f - age / 26.0f;
            AddStroke(c, x0 + shakeX, y0 + shakeY, x1 + shakeX, y1 + shakeY, 0.8f, Rgb(255, 215, 110) * (1.3f * fade), 3.5f);
        }

    // The camera's own look: bloom, scan lines, grain, dark corners.
    Bloom(c, 0.6f, 3, 0.6f);
    Rng grain(0x3A2000 + frame);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            Colour& p = c.At(x, y);
            float g = (grain.Unit() - 0.5f) * 0.06f;
            p = p * ((y & 1) ? 0.86f : 1.0f) + Colour{g, g * 1.1f, g};
        }
    Vignette(c, 0.6f, 0.7f);
    return c;
}

namespace {

Canvas WarTvStill() {
    Canvas c = WarFrame(97);
    Typeface term(TerminalFontPath(), 16, true);
    Mask live = term.Line("LIVE");
    for (int y = 10; y < 26; ++y)
        for (int x = 10; x < 20; ++x)
            if (Length(x - 14.5f, y - 17.5f) < 4.5f) c.At(x, y) = Rgb(230, 30, 30);
    StampOver(c, live, 22, 9, Rgb(240, 240, 240));
    Mask wire = term.Line("NIGHTFOLD 03:12");
    StampOver(c, wire, kSide - wire.width - 8, kSide - 26, Rgb(220, 220, 200), 0.8f);
    return c;
}

}  // namespace

void MakeWarVideo(ContentSet& set) {
    std::vector<std::vector<uint8_t>> files(kWarFrames);
    std::vector<Image> previews(kWarFrames);
    ParallelFor(kWarFrames, [&](int f) {
        Image image = ToImage(WarFrame(f));
        JpegSettings jpeg = Jpeg(78, f % 11 == 0 ? Chroma::S444 : Chroma::S422)
                                .Restart(f % 13 == 5 ? 16 : 0)
                                .Optimised(f % 17 == 3);
        if (f % 9 == 4) jpeg.markers.push_back(CommentMarker("Umbravel war footage"));
        VectorSink sink;
        if (!WriteJpeg(sink, image, jpeg)) return;
        files[f] = std::move(sink.bytes);
        if (f % 10 == 0) previews[f] = std::move(image);
    });
    for (int f = 0; f < kWarFrames; ++f) {
        char name[40];
        std::snprintf(name, sizeof name, "Files\\Video\\War\\WAR%03d.JPG", f);
        if (files[f].empty()) throw std::runtime_error(std::string("JPEG encoder failed on ") + name);
        set.Add(name, std::move(files[f]));
        if (f % 10 == 0) set.AddPreview(name + 6, std::move(previews[f]));
    }
    Image still = ToImage(WarTvStill());
    set.AddJpeg("Files\\WarTV.jpg", still, Jpeg(72, Chroma::S422).With(AppMarker(13, "tv")));
    set.AddPreview("WarTV.jpg", std::move(still));
}

}  // namespace forge
