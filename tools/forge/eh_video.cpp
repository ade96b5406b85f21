// eh_video.cpp -- the EH film, 316 frames of 256 x 256 at 25 frames a second: a cell
// divides, the camera flies down a vessel, a heart beats, nerves fire, and the infant
// in the womb is born into light. The show also cuts four-frame pieces of it between
// sections (frames 50-53, 110-113, 140-143 and 190-193): those frames are hard flashes
// unlike anything around them, so each cut reads as a strike of light.
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "content.h"
#include "paint.h"
#include "pieces.h"

namespace forge {

namespace {

constexpr int kSide = 256;

// Fine grain, different in every frame, the same in every run.
void Grain(Canvas& c, int frame, float amount) {
    Rng rng(0xE4000 + frame);
    for (Colour& p : c.px) {
        float g = (rng.Unit() - 0.5f) * amount;
        p = p + Colour{g, g, g};
    }
}

// 0..49: a glowing cell divides in the dark.
Canvas Division(int f) {
    static const Noise noise(0xE4A);
    float t = f / 25.0f;
    float split = SmoothStep(12.0f, 46.0f, static_cast<float>(f)) * 0.17f;
    float beat = std::pow(0.5f + 0.5f * std::cos(t * kTau * 1.2f), 6.0f);
    float zoom = 1.0f + 0.004f * f;
    Canvas c(kSide, kSide);
    c.Fill([&](int, int, float u, float v) {
        float x = (u - 0.5f) / zoom, y = (v - 0.5f) / zoom;
        float wob = noise.At(x * 8.0f, y * 8.0f, t * 0.8f) * 0.02f;
        float ca = std::cos(0.6f), sa = std::sin(0.6f);
        float rx = x * ca + y * sa, ry = -x * sa + y * ca;
        float a = Length(rx - split, ry) - 0.16f;
        float b = Length(rx + split, ry) - 0.16f;
        float d = SmoothMin(a, b, 0.08f) + wob;
        float inside = SmoothStep(0.004f, -0.004f, d);
        float rim = std::exp(-std::pow(d / 0.014f, 2.0f));
        float haze = std::exp(-(x * x + y * y) / 0.08f);
        Colour out = Rgb(30, 2, 6) * (0.4f + haze) + Rgb(120, 10, 20) * haze * 0.5f;
        float interior = 0.5f + 0.5f * noise.At(rx * 14.0f, ry * 14.0f, t * 0.5f + 3.0f);
        out = Mix(out, Mix(Rgb(150, 20, 30), Rgb(255, 120, 90), interior * (0.4f + 0.6f * beat)), inside * 0.85f);
        // Two nuclei, drifting apart with the halves.
        float n1 = std::exp(-(std::pow(rx - split * 1.1f, 2.0f) + ry * ry) / 0.0012f);
        float n2 = std::exp(-(std::pow(rx + split * 1.1f, 2.0f) + ry * ry) / 0.0012f);
        out = out + Rgb(255, 220, 180) * (n1 + n2) * (0.5f + 0.5f * beat) * inside;
        return out + Rgb(255, 140, 110) * rim * (0.7f + 0.5f * beat);
    });
    Rng motes(0xE4A1);
    for (int i = 0; i < 40; ++i) {
        float x = motes.Range(0, kSide), y = motes.Range(0, kSide), vx = motes.Range(-0.6f, 0.6f);
        AddGlow(c, x + vx * f, y - 0.3f * f, 1.2f, Rgb(255, 150, 130) * 0.6f, 6);
    }
    Bloom(c, 0.7f, 4, 0.5f);
    Vignette(c, 0.8f, 0.8f);
    return c;
}

// A hard flash; which one depends on the cut (0..3), the frame inside the cut (0..3)
// shifts it a little so the four frames are not a still.
Canvas Flash(int cut, int k) {
    static const Noise noise(0xE4F);
    Canvas c(kSide, kSide);
    float s = 1.0f + 0.12f * k;
    c.Fill([&](int, int, float u, float v) {
        float x = (u - 0.5f) / s, y = (v - 0.5f) / s;
        float r = Length(x, y), a = std::atan2(y, x);
        switch (cut) {
            case 0: {  // an eye in white light
                float lid = std::fabs(y) - 0.16f * (1.0f - std::pow(std::fabs(x) / 0.42f, 2.0f));
                float eye = std::fabs(x) < 0.42f ? SmoothStep(0.01f, -0.01f, lid) : 0.0f;
                float iris = SmoothStep(0.13f, 0.12f, r), pupil = SmoothStep(0.055f, 0.045f, r);
                float rays = 0.5f + 0.5f * std::sin(a * 40.0f + noise.At(a * 3, r * 10) * 3.0f);
                Colour white = Rgb(255, 250, 240);
                Colour out = Mix(white, Rgb(20, 6, 10), eye * 0.9f);
                out = Mix(out, Rgb(120, 60, 160) * (0.6f + 0.4f * rays), iris * eye);
                return Mix(out, Rgb(0, 0, 0), pupil);
            }
            case 1: {  // lightning in the nerves: dark cracks on electric blue-white
                float crack = std::pow(noise.Ridged(a * 2.5f + k, r * 6.0f - k, 4), 8.0f);
                Colour out = Mix(Rgb(230, 245, 255), Rgb(90, 160, 255), Clamp01(r * 1.6f));
                return out - Rgb(255, 200, 120) * Clamp01(crack * 1.4f);
            }
            case 2: {  // a burst of fire
                float fire = 0.5f + 0.5f * noise.Fbm(x * 5.0f, y * 5.0f + k * 0.6f, 3);
                float core = std::exp(-r * r / 0.08f);
                Colour out = Mix(Rgb(180, 40, 0), Rgb(255, 210, 90), Clamp01(fire * 0.6f + core));
                return Mix(out, Rgb(255, 255, 230), core * core);
            }
            default: {  // the infant, black against white light
                float d = InfantDistance(x + 0.5f, y + 0.5f);
                float rim = std::exp(-std::pow(d / 0.02f, 2.0f));
                Colour out = Mix(Rgb(255, 240, 235), Rgb(8, 0, 4), SmoothStep(0.004f, -0.004f, d));
                return out + Rgb(255, 120, 80) * rim * 0.5f;
            }
        }
    });
    return c;
}

// 54..109: flight down a blood vessel towards a light.
Canvas Vessel(int f) {
    static const Noise noise(0xE4B);
    float t = (f - 54) / 25.0f;
    float cx = 0.5f + 0.06f * std::sin(t * 1.3f), cy = 0.5f + 0.05f * std::cos(t * 1.7f);
    float light = SmoothStep(0.0f, 2.2f, t);
    Canvas c(kSide, kSide);
    c.Fill([&](int, int, float u, float v) {
        float x = u - cx, y = v - cy;
        float r = Length(x, y) + 1e-4f, a = std::atan2(y, x);
        float depth = 0.18f / r + t * 1.6f;
        float wall = noise.At(std::cos(a) * 1.5f, std::sin(a) * 1.5f, depth * 1.2f);
        float vein = std::pow(1.0f - std::fabs(noise.At(std::cos(a) * 3.0f + 9.0f, std::sin(a) * 3.0f, depth * 2.0f)), 8.0f);
        float near = Clamp01(r * 2.2f);
        Colour out = Mix(Rgb(60, 4, 10), Rgb(200, 30, 40), 0.5f + 0.5f * wall) * near;
        out = out + Rgb(255, 90, 80) * vein * near * 0.6f;
        float glow = std::exp(-r * r / (0.004f + 0.02f * light));
        return out + Rgb(255, 220, 200) * glow * (0.3f + 1.2f * light);
    });
    Vignette(c, 0.7f, 0.8f);
    return c;
}

// 114..139: the heart beats, its trace runs along the bottom.
Canvas Heartbeat(int f) {
    static const Noise noise(0xE4C);
    float t = (f - 114) / 25.0f;
    float phase = std::fmod(t * 1.6f, 1.0f);
    float pulse = std::exp(-phase * 9.0f) + 0.5f * std::exp(-std::pow((phase - 0.25f) * 10.0f, 2.0f));
    float s = 0.30f * (1.0f + 0.10f * pulse);
    Canvas c(kSide, kSide);
    c.Fill([&](int, int, float u, float v) {
        float x = (u - 0.5f) / s, y = -(v - 0.46f) / s;
        float q = x * x + y * y - 1.0f;
        float h = q * q * q - x * x * y * y * y;  // the heart curve, negative inside
        float inside = SmoothStep(0.02f, -0.02f, h);
        float fibre = 0.5f + 0.5f * noise.At(x * 3.0f + y * 2.0f, y * 6.0f, t);
        float shade = Clamp01(0.6f + 0.3f * y - 0.25f * x);
        float r = Length(u - 0.5f, v - 0.46f);
        Colour out = Rgb(20, 0, 4) + Rgb(120, 10, 20) * std::exp(-r * r / 0.05f) * (0.4f + 0.6f * pulse);
        Colour muscle = Mix(Rgb(110, 6, 16), Rgb(230, 50, 50), shade * (0.7f + 0.3f * fibre));
        out = Mix(out, muscle + Rgb(255, 160, 140) * pulse * 0.25f, inside);
        float rim = SmoothStep(0.15f, 0.0f, std::fabs(h)) * (1.0f - inside);
        return out + Rgb(255, 90, 90) * rim * 0.5f;
    });
    // The trace: flat, a spike per beat, written left to right and fading behind.
    float head = std::fmod(t * 160.0f, 256.0f);
    float px = 0, py = 0;
    for (int i = 0; i <= 128; ++i) {
        float x = i * 2.0f;
        float bt = (t - (head - x) / 160.0f) * 1.6f;
        float ph = bt - std::floor(bt);
        float y = 226 - 26 * std::exp(-std::pow((ph - 0.02f) * 60.0f, 2.0f)) +
                  10 * std::exp(-std::pow((ph - 0.06f) * 50.0f, 2.0f)) - 5 * std::exp(-std::pow((ph - 0.3f) * 12.0f, 2.0f));
        float behind = head - x;
        if (behind < 0) behind += 256.0f;
        float fade = Clamp01(1.0f - behind / 200.0f);
        if (i > 0 && fade > 0) AddStroke(c, px, py, x, y, 0.7f, Rgb(120, 255, 160) * fade, 2.5f * fade);
        px = x;
        py = y;
    }
    Vignette(c, 0.7f, 0.8f);
    return c;
}

struct Web {
    std::vector<std::pair<float, float>> nodes;
    std::vector<std::pair<int, int>> links;
    Canvas base;
};

const Web& NerveWeb() {
    static const Web web = [] {
        Web w;
        Rng rng(0xE4D);
        for (int i = 0; i < 26; ++i) w.nodes.push_back({rng.Range(10, 246), rng.Range(10, 246)});
        for (int i = 0; i < 26; ++i) {
            // Two nearest neighbours each.
            int best[2] = {-1, -1};
            float bd[2] = {1e9f, 1e9f};
            for (int j = 0; j < 26; ++j) {
                if (j == i) continue;
                float d = Length(w.nodes[j].first - w.nodes[i].first, w.nodes[j].second - w.nodes[i].second);
                if (d < bd[0]) { bd[1] = bd[0]; best[1] = best[0]; bd[0] = d; best[0] = j; }
                else if (d < bd[1]) { bd[1] = d; best[1] = j; }
            }
            for (int b : best) w.links.push_back({i, b});
        }
        w.base = Canvas(kSide, kSide);
        Noise noise(0xE4D);
        w.base.Fill([&](int, int, float u, float v) {
            return Mix(Rgb(6, 2, 14), Rgb(30, 10, 50), 0.5f + 0.5f * noise.Fbm(u * 3, v * 3, 3));
        });
        for (auto [a, b] : w.links)
            AddStroke(w.base, w.nodes[a].first, w.nodes[a].second, w.nodes[b].first, w.nodes[b].second, 0.5f,
                      Rgb(90, 70, 170) * 0.5f, 1.5f);
        for (auto [x, y] : w.nodes) AddGlow(w.base, x, y, 2.0f, Rgb(150, 120, 230), 12);
        return w;
    }();
    return web;
}

// 144..189: nerves fire; pulses of light run from cell to cell.
Canvas Nerves(int f) {
    const Web& web = NerveWeb();
    Canvas c = web.base;
    float t = (f - 144) / 25.0f;
    for (size_t i = 0; i < web.links.size(); ++i) {
        auto [a, b] = web.links[i];
        float speed = 1.2f + 0.13f * (i % 5);
        float p = std::fmod(t * speed + i * 0.37f, 1.6f);
        if (p > 1.0f) continue;
        float x = Lerp(web.nodes[a].first, web.nodes[b].first, p), y = Lerp(web.nodes[a].second, web.nodes[b].second, p);
        AddGlow(c, x, y, 2.5f, Rgb(160, 230, 255) * 1.2f, 22);
    }
    for (size_t i = 0; i < web.nodes.size(); ++i) {
        float fire = std::pow(0.5f + 0.5f * std::sin(t * 7.0f + i * 1.7f), 12.0f);
        AddGlow(c, web.nodes[i].first, web.nodes[i].second, 5.0f, Rgb(220, 160, 255) * fire, 30);
    }
    Vignette(c, 0.6f, 0.8f);
    return c;
}

// 194..315: the infant in the womb, the womb opening into light, the light going out.
Canvas Birth(int f) {
    static const Noise noise(0xE4E);
    float t = (f - 194) / 25.0f;
    float beat = std::pow(0.5f + 0.5f * std::cos(t * kTau * 2.0f), 8.0f);
    float zoom = 1.0f + 0.0025f * (f - 194);
    float open = f < 255 ? 0.0f : std::pow(Clamp01((f - 255) / 32.0f), 2.0f);
    float out = f < 288 ? 0.0f : Clamp01((f - 288) / 27.0f);
    Canvas c(kSide, kSide);
    c.Fill([&](int, int, float u, float v) {
        float x = (u - 0.5f) / zoom + 0.5f, y = (v - 0.52f) / zoom + 0.55f;
        float d = InfantDistance(x, y);
        float r = Length(u - 0.5f, v - 0.55f);
        float membrane = 0.5f + 0.5f * noise.At(u * 6.0f, v * 6.0f, t * 0.4f);
        float back = std::exp(-r * r / (0.08f + 0.05f * beat));
        Colour wall = Mix(Rgb(30, 2, 6), Rgb(220, 50, 40), back * (0.55f + 0.45f * membrane));
        float inside = SmoothStep(0.004f, -0.004f, d);
        float rim = std::exp(-std::pow(d / 0.012f, 2.0f)) * back;
        Colour figure = Mix(Rgb(26, 2, 6), Rgb(80, 8, 14), SmoothStep(0.0f, -0.08f, d));
        Colour pic = Mix(wall, figure, inside) + Rgb(255, 170, 120) * rim * (0.6f + 0.6f * beat);
        // The opening: a slit of white light that widens until it fills the frame.
        float slit = std::fabs(u - 0.5f) - open * 0.62f;
        float light = SmoothStep(0.03f + open * 0.2f, -0.01f, slit) * (open > 0 ? 1.0f : 0.0f);
        Colour white = Rgb(255, 248, 240);
        pic = Mix(pic, white, light * (1.0f - 0.9f * inside * (1.0f - open)));
        // Then the light goes out to a last violet spark.
        float spark = std::exp(-r * r / (0.002f + 0.3f * (1.0f - out)));
        return Mix(pic, Rgb(200, 160, 230) * spark, out);
    });
    Bloom(c, 0.75f, 4, 0.5f);
    Vignette(c, 0.7f * (1.0f - open), 0.8f);
    return c;
}

}  // namespace

Canvas EhFrame(int f) {
    Canvas c;
    if (f < 50) c = Division(f);
    else if (f < 54) c = Flash(0, f - 50);
    else if (f < 110) c = Vessel(f);
    else if (f < 114) c = Flash(1, f - 110);
    else if (f < 140) c = Heartbeat(f);
    else if (f < 144) c = Flash(2, f - 140);
    else if (f < 190) c = Nerves(f);
    else if (f < 194) c = Flash(3, f - 190);
    else c = Birth(f);
    Grain(c, f, 0.035f);
    return c;
}

void MakeEhVideo(ContentSet& set) {
    std::vector<std::vector<uint8_t>> files(kEhFrames);
    std::vector<Image> previews(kEhFrames);
    ParallelFor(kEhFrames, [&](int f) {
        Image image = ToImage(EhFrame(f));
        bool flash = (f >= 50 && f < 54) || (f >= 110 && f < 114) || (f >= 140 && f < 144) || (f >= 190 && f < 194);
        // The flashes keep full colour detail; every fifth frame has restart markers.
        JpegSettings jpeg = Jpeg(flash ? 90 : 82, flash ? Chroma::S444 : Chroma::S420).Restart(f % 5 == 3 ? 8 : 0);
        VectorSink sink;
        if (!WriteJpeg(sink, image, jpeg)) return;  // an empty slot is reported below
        files[f] = std::move(sink.bytes);
        if (f % 10 == 0) previews[f] = std::move(image);
    });
    for (int f = 0; f < kEhFrames; ++f) {
        char name[40];
        std::snprintf(name, sizeof name, "Files\\Video\\EH\\EH%03d.JPG", f);
        if (files[f].empty()) throw std::runtime_error(std::string("JPEG encoder failed on ") + name);
        set.Add(name, std::move(files[f]));
        if (f % 10 == 0) set.AddPreview(name + 6, std::move(previews[f]));
    }
}

}  // namespace forge
