// stills.cpp -- the single pictures of the show: the heart's backdrop, the infant behind
// the brain, the closing web, the loading picture, the object textures (metal, heart
// muscle, missile skin) and the four credits.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "content.h"
#include "paint.h"
#include "pieces.h"
#include "typeface.h"

namespace forge {

namespace {

constexpr int kSide = 256;

void AddPicture(ContentSet& set, const char* shortName, const Canvas& canvas, const JpegSettings& settings) {
    Image image = ToImage(canvas);
    set.AddJpeg(std::string("Files\\") + shortName, image, settings);
    set.AddPreview(shortName, std::move(image));
}

// Dark tissue with veins and a warm light behind the centre: the heart beats in front of it.
Canvas HeartBackdrop() {
    Canvas c(kSide, kSide);
    Noise noise(0xB61);
    c.Fill([&](int, int, float u, float v) {
        float x = u - 0.5f, y = v - 0.52f;
        float r = Length(x, y);
        float veins = noise.Ridged(u * 5.0f, v * 5.0f, 4);
        float tissue = 0.5f + 0.5f * noise.Fbm(u * 9.0f + 3.0f, v * 9.0f, 3);
        float light = std::exp(-r * r / 0.035f);
        float rays = 0.5f + 0.5f * std::sin(std::atan2(y, x) * 11.0f + noise.At(u * 3, v * 3) * 4.0f);
        Colour base = Mix(Rgb(14, 2, 4), Rgb(60, 6, 12), tissue * 0.6f);
        Colour vein = Rgb(150, 20, 30) * std::pow(veins, 5.0f) * 0.9f;
        Colour glow = Rgb(255, 120, 60) * light * 0.9f + Rgb(200, 40, 30) * light * rays * 0.5f * SmoothStep(0.45f, 0.05f, r);
        return base + vein * (0.4f + light * 2.0f) + glow;
    });
    Vignette(c, 0.85f, 0.9f);
    return c;
}

}  // namespace

float InfantDistance(float x, float y) {
    // A curled figure facing left: head, rounded back, knees drawn up, an arm and the cord.
    float head = Length(x - 0.40f, y - 0.33f) - 0.135f;
    float rx = x - 0.55f, ry = y - 0.56f;
    float ca = std::cos(-0.55f), sa = std::sin(-0.55f);
    float body = EllipseDistance(rx * ca - ry * sa, rx * sa + ry * ca, 0.15f, 0.21f);
    float thigh = SegmentDistance(x, y, 0.60f, 0.72f, 0.43f, 0.66f) - 0.060f;
    float shin = SegmentDistance(x, y, 0.43f, 0.66f, 0.45f, 0.80f) - 0.045f;
    float foot = SegmentDistance(x, y, 0.45f, 0.80f, 0.38f, 0.82f) - 0.028f;
    float arm = SegmentDistance(x, y, 0.49f, 0.47f, 0.40f, 0.55f) - 0.035f;
    float hand = Length(x - 0.38f, y - 0.52f) - 0.03f;
    float d = SmoothMin(head, body, 0.05f);
    d = SmoothMin(d, thigh, 0.04f);
    d = SmoothMin(d, shin, 0.02f);
    d = SmoothMin(d, foot, 0.015f);
    d = SmoothMin(d, arm, 0.02f);
    d = SmoothMin(d, hand, 0.02f);
    // The cord curls from the belly down and away.
    float cordY = 0.62f + 0.5f * (x - 0.36f) * (x - 0.36f) * 4.0f;
    float cord = (x < 0.47f && x > 0.08f) ? std::fabs(y - cordY - 0.03f * std::sin(x * 40.0f)) - 0.012f : 1.0f;
    return std::min(d, cord);
}

namespace {

Canvas InfantPicture() {
    Canvas c(kSide, kSide);
    Noise noise(0x1AF);
    c.Fill([&](int, int, float u, float v) {
        float d = InfantDistance(u, v);
        float r = Length(u - 0.5f, v - 0.55f);
        float membrane = 0.5f + 0.5f * noise.Fbm(u * 6.0f, v * 6.0f, 4);
        float veins = std::pow(noise.Ridged(u * 4.0f + 7.0f, v * 4.0f, 4), 6.0f);
        // Light from behind the womb wall: bright round the figure, dark at the rim.
        float back = std::exp(-r * r / 0.09f);
        Colour wall = Mix(Rgb(40, 2, 6), Rgb(230, 50, 40), back * (0.6f + 0.4f * membrane));
        wall = wall - Rgb(120, 30, 30) * veins * back;
        float inside = SmoothStep(0.004f, -0.004f, d);
        float rim = std::exp(-std::pow(d / 0.012f, 2.0f)) * back;
        Colour figure = Mix(Rgb(30, 2, 6), Rgb(90, 10, 16), SmoothStep(0.0f, -0.08f, d) * membrane);
        Colour out = Mix(wall, figure, inside) + Rgb(255, 170, 120) * rim * 0.9f;
        return out;
    });
    Vignette(c, 0.9f, 0.8f);
    return c;
}

// The nervous system as a web: cell bodies joined by branching fibres, with the group's
// name woven into the lower right. The teletype types over its upper half.
Canvas WebPicture() {
    Canvas c(kSide, kSide);
    Noise noise(0x3EB);
    c.Fill([&](int, int, float u, float v) {
        float n = 0.5f + 0.5f * noise.Fbm(u * 3.0f, v * 3.0f, 3);
        return Mix(Rgb(4, 2, 10), Rgb(24, 8, 40), n);
    });
    Rng rng(0x3EB);
    struct Node { float x, y; };
    std::vector<Node> nodes;
    for (int i = 0; i < 34; ++i) nodes.push_back({rng.Range(8, 248), rng.Range(8, 248)});
    // Fibres: each cell reaches its three nearest neighbours along a wavering path.
    for (size_t i = 0; i < nodes.size(); ++i) {
        std::vector<std::pair<float, size_t>> near;
        for (size_t j = 0; j < nodes.size(); ++j)
            if (j != i) near.push_back({Length(nodes[j].x - nodes[i].x, nodes[j].y - nodes[i].y), j});
        std::sort(near.begin(), near.end());
        for (int pick = 0; pick < 3; ++pick) {
            size_t j = near[pick].second;
            float px = nodes[i].x, py = nodes[i].y;
            const int steps = 12;
            for (int s = 1; s <= steps; ++s) {
                float t = static_cast<float>(s) / steps;
                float bow = 14.0f * std::sin(kPi * t);
                float qx = Lerp(nodes[i].x, nodes[j].x, t) + noise.At(t * 3.0f + i, 0.5f * pick) * bow;
                float qy = Lerp(nodes[i].y, nodes[j].y, t) + noise.At(0.5f * pick, t * 3.0f + i) * bow;
                AddStroke(c, px, py, qx, qy, 0.55f, Rgb(110, 90, 200) * 0.45f, 2.0f);
                px = qx;
                py = qy;
            }
        }
    }
    for (const Node& nd : nodes) {
        AddGlow(c, nd.x, nd.y, 2.2f, Rgb(200, 170, 255), 16);
        AddGlow(c, nd.x, nd.y, 7.0f, Rgb(90, 40, 160) * 0.4f, 26);
    }
    Typeface face(TitleFontPath(), 40, false);
    Mask word = face.Line("Vorn", 1);
    Mask halo = BlurMask(word, 4, 10);
    int wx = kSide - word.width - 10, wy = kSide - word.height - 6;
    StampAdd(c, halo, wx - 10, wy - 10, Rgb(120, 60, 200) * 1.2f);
    StampOver(c, word, wx, wy, Rgb(225, 205, 255));
    Bloom(c, 0.7f, 4, 0.5f);
    Vignette(c, 0.6f, 0.9f);
    return c;
}

// The loading picture: the title, a sleeping eye of light, and the trough in which the
// progress bar grows (columns 15..240, rows 166..203). The trough itself stays dark so
// the bar's violet reads against it; a thin frame surrounds it.
Canvas LoadingPicture() {
    Canvas c(kSide, kSide);
    Noise noise(0x10AD);
    c.Fill([&](int, int, float u, float v) {
        float x = u - 0.5f, y = v - 0.36f;
        float r = Length(x, y * 1.6f);
        float n = 0.5f + 0.5f * noise.Fbm(u * 5.0f, v * 5.0f, 4);
        // An almond of light: an eye about to open.
        float lid = std::fabs(y) - 0.07f * (1.0f - std::pow(std::fabs(x) / 0.36f, 2.0f));
        float eye = std::fabs(x) < 0.36f ? SmoothStep(0.012f, -0.012f, lid) : 0.0f;
        float glow = std::exp(-r * r / 0.02f);
        float iris = std::exp(-std::pow(Length(x, y) / 0.045f, 2.0f));
        Colour base = Mix(Rgb(6, 2, 10), Rgb(38, 10, 36), n * (0.3f + glow));
        Colour light = Rgb(200, 120, 200) * glow * 0.6f + Rgb(255, 230, 250) * eye * (0.5f + 0.5f * n) -
                       Rgb(200, 170, 160) * iris * eye;
        return base + light;
    });
    // Trough and frame.
    for (int y = 160; y <= 209; ++y)
        for (int x = 9; x <= 246; ++x) {
            Colour& p = c.At(x, y);
            bool trough = x >= 15 && x <= 240 && y >= 166 && y <= 203;
            bool frame = (x >= 12 && x <= 243 && y >= 163 && y <= 206) && !(x >= 14 && x <= 241 && y >= 165 && y <= 204);
            if (trough) {
                float t = static_cast<float>(y - 166) / 37.0f;
                p = Mix(Rgb(10, 6, 16), Rgb(22, 12, 30), t);
            } else if (frame) {
                p = Rgb(120, 96, 140);
            } else {
                p = p * 0.5f;
            }
        }
    Typeface title(TitleFontPath(), 34, false);
    Mask word = title.Line("Umbravel", 3);
    int wx = (kSide - word.width) / 2, wy = 92;
    StampAdd(c, BlurMask(word, 4, 10), wx - 10, wy - 10, Rgb(150, 80, 170) * 1.3f);
    StampOver(c, word, wx, wy, Rgb(240, 225, 250));
    Typeface term(TerminalFontPath(), 16, true);
    Mask label = term.Line("loading");
    StampOver(c, label, 15, 142, Rgb(170, 140, 190));
    Mask credit = term.Line("Vorn");
    StampOver(c, credit, kSide - credit.width - 13, 222, Rgb(110, 90, 130));
    return c;
}

// Machined steel: turned rings round two centres, brushed grain, panel seams and rivets.
Canvas MetalPicture() {
    Canvas c(kSide, kSide);
    Noise noise(0x3E7A1);
    c.Fill([&](int, int, float u, float v) {
        float grain = noise.At(u * 2.0f, v * 160.0f) * 0.5f + noise.At(u * 6.0f, v * 420.0f) * 0.25f;
        float r1 = Length(u - 0.30f, v - 0.32f), r2 = Length(u - 0.74f, v - 0.70f);
        float turn1 = r1 < 0.2f ? 0.5f + 0.5f * std::sin(r1 * 900.0f + noise.At(r1 * 40, 1) * 3) : 0.5f;
        float turn2 = r2 < 0.16f ? 0.5f + 0.5f * std::sin(r2 * 1100.0f) : 0.5f;
        float specular = std::exp(-std::pow((u + v - 1.0f) / 0.25f, 2.0f));
        float base = 0.42f + 0.08f * grain + 0.06f * (turn1 + turn2 - 1.0f) + 0.35f * specular;
        float bowl1 = SmoothStep(0.205f, 0.195f, r1) * 0.08f * (1 - r1 / 0.2f);
        float bowl2 = SmoothStep(0.165f, 0.155f, r2) * 0.08f;
        float seam = std::min(std::fabs(u - 0.5f), std::fabs(v - 0.5f));
        float seamDark = SmoothStep(0.006f, 0.0f, seam) * 0.35f;
        float l = base + bowl1 - bowl2 - seamDark;
        return Colour{l * 0.92f, l * 0.95f, l * 1.05f};
    });
    for (float ry : {0.06f, 0.44f, 0.56f, 0.94f})
        for (float rx : {0.06f, 0.44f, 0.56f, 0.94f}) {
            float cx = rx * kSide, cy = ry * kSide;
            for (int y = static_cast<int>(cy) - 6; y <= static_cast<int>(cy) + 6; ++y)
                for (int x = static_cast<int>(cx) - 6; x <= static_cast<int>(cx) + 6; ++x) {
                    float dx = x + 0.5f - cx, dy = y + 0.5f - cy, d = Length(dx, dy);
                    if (d > 4.5f) continue;
                    float shade = 0.55f - 0.06f * (dx + dy);
                    c.At(x, y) = Mix(c.At(x, y), Colour{shade, shade, shade * 1.08f}, Clamp01(4.5f - d));
                }
        }
    return c;
}

// Heart muscle: fibres running round the chambers, fat along the grooves, vessels on top.
Canvas HeartMusclePicture() {
    Canvas c(kSide, kSide);
    Noise noise(0x4EA27);
    c.Fill([&](int, int, float u, float v) {
        float bend = noise.Fbm(u * 1.5f, v * 1.5f, 3);
        // Fine striations running along the muscle, bent by the chamber's shape.
        float fibre = 0.5f + 0.5f * std::sin((v + 0.12f * bend + 0.15f * u) * 150.0f + noise.At(u * 40, v * 8) * 2.5f);
        float strand = std::pow(fibre, 3.0f);
        float lump = 0.5f + 0.5f * noise.Fbm(u * 7.0f, v * 7.0f, 3);
        // A groove of fat with a coronary vessel in it, running across the muscle.
        float gy = 0.48f + 0.08f * std::sin(u * 5.0f + 1.0f) + 0.05f * noise.At(u * 4.0f, 2.0f);
        float groove = std::fabs(v - gy);
        float fat = SmoothStep(0.05f, 0.015f, groove) * (0.5f + 0.5f * lump);
        float artery = SmoothStep(0.012f, 0.004f, groove);
        float vessel = std::pow(noise.Ridged(u * 3.0f + 5.0f, v * 3.0f, 4), 9.0f);
        float gloss = std::pow(Clamp01(noise.Fbm(u * 4.0f + 9.0f, v * 4.0f, 3) + 0.1f), 4.0f);
        Colour muscle = Mix(Rgb(70, 4, 10), Rgb(165, 24, 30), 0.35f * strand + 0.65f * lump);
        Colour out = Mix(muscle, Rgb(200, 160, 80), fat * 0.8f);
        out = Mix(out, Rgb(120, 20, 30), artery);
        out = Mix(out, Rgb(70, 10, 40), Clamp01(vessel * 1.4f));
        return out + Rgb(255, 210, 210) * gloss * 0.4f;
    });
    return c;
}

// The missile's skin. Rows 0..186 wrap the body (the nose is rows 0..62), rows 186..255 the
// finned tail; each column wraps once round the body, so the picture tiles left to right.
Canvas MissilePicture() {
    Canvas c(kSide, kSide);
    Noise noise(0x315);
    c.Fill([&](int, int y, float u, float v) {
        // Periodic in u: sample the noise on a circle.
        float cu = std::cos(u * kTau) * 1.6f, su = std::sin(u * kTau) * 1.6f;
        float wear = 0.5f + 0.5f * noise.Fbm(cu + 4.0f, su + v * 10.0f, 4);
        Colour paint = Mix(Rgb(72, 80, 62), Rgb(104, 110, 88), wear);
        if (y < 62) paint = Mix(Rgb(40, 40, 44), Rgb(80, 80, 86), wear);  // dark nose cone
        bool tail = y >= 186;
        if (tail) paint = Mix(Rgb(52, 54, 50), Rgb(90, 90, 84), wear);
        // Warning band behind the nose: yellow and black chevrons.
        if (y >= 66 && y < 86) {
            bool stripe = static_cast<int>(std::floor((u * 16.0f + (y - 66) / 20.0f))) % 2 == 0;
            paint = stripe ? Rgb(214, 170, 30) * (0.8f + 0.2f * wear) : Rgb(20, 18, 14);
        }
        if (y >= 150 && y < 158) paint = Rgb(150, 20, 20) * (0.8f + 0.3f * wear);  // red band
        // Panel seams every ring group and along the eight body segments.
        float seamV = std::fabs(std::fmod(v * 41.0f / 5.0f + 0.5f, 1.0f) - 0.5f);
        float seamU = std::fabs(std::fmod(u * 8.0f + 0.5f, 1.0f) - 0.5f);
        float seam = SmoothStep(0.03f, 0.0f, seamV) * 0.3f + (tail ? 0.0f : SmoothStep(0.02f, 0.0f, seamU) * 0.25f);
        float scorch = tail ? SmoothStep(200.0f, 256.0f, static_cast<float>(y)) * 0.7f : 0.0f;
        return paint * (1.0f - seam) * (1.0f - scorch);
    });
    Typeface term(TerminalFontPath(), 24, true);
    Mask code = term.Line("UMB-7");
    for (int k = 0; k < 2; ++k) StampOver(c, code, 18 + k * 128, 106, Rgb(225, 225, 210), 0.85f);
    return c;
}

// A credits card: the name, what they did and a sign of their own, light on black. The
// show lays it at alpha 100 over an emissive white material, so black is the veil.
Canvas CreditPicture(const char* name, const char* role, Colour accent, int sign) {
    Canvas c(kSide, kSide);
    Noise noise(0xC2ED + sign);
    c.Fill([&](int, int, float u, float v) {
        float n = 0.5f + 0.5f * noise.Fbm(u * 4.0f, v * 4.0f, 3);
        return accent * (0.05f + 0.05f * n);
    });
    float cx = 128, cy = 84;
    switch (sign) {
        case 0:  // an eye
            for (int i = 0; i < 120; ++i) {
                float t = i / 119.0f * kTau;
                AddGlow(c, cx + 52 * std::cos(t), cy + 22 * std::sin(t) * std::fabs(std::sin(t)) * 1.4f, 1.5f,
                        accent * 0.5f, 8);
            }
            AddGlow(c, cx, cy, 9, accent * 1.4f, 40);
            AddGlow(c, cx, cy, 3, Rgb(255, 255, 255), 12);
            break;
        case 1:  // a wave: the music
            for (int i = 0; i < 160; ++i) {
                float x0 = 40 + i, x1 = 41 + i;
                auto wave = [&](float x) { return cy + 26 * std::sin(x * 0.09f) * std::sin(x * 0.021f + 0.4f); };
                AddStroke(c, x0, wave(x0), x1, wave(x1), 0.8f, accent, 3.0f);
            }
            break;
        case 2:  // a heart's pulse line
        {
            float pts[][2] = {{30, 84}, {90, 84}, {104, 60}, {118, 118}, {132, 40}, {146, 96}, {160, 84}, {226, 84}};
            for (int i = 0; i + 1 < 8; ++i)
                AddStroke(c, pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], 1.0f, accent, 3.5f);
            break;
        }
        default:  // a branching nerve
        {
            Rng rng(0x5160);
            struct Tip { float x, y, a; int depth; };
            std::vector<Tip> tips = {{128, 140, -kPi / 2, 0}};
            while (!tips.empty()) {
                Tip t = tips.back();
                tips.pop_back();
                float len = 30.0f / (1 + t.depth * 0.6f);
                float nx = t.x + std::cos(t.a) * len, ny = t.y + std::sin(t.a) * len;
                AddStroke(c, t.x, t.y, nx, ny, 1.2f / (1 + t.depth * 0.5f), accent, 2.5f);
                if (t.depth < 5) {
                    tips.push_back({nx, ny, t.a - rng.Range(0.25f, 0.6f), t.depth + 1});
                    tips.push_back({nx, ny, t.a + rng.Range(0.25f, 0.6f), t.depth + 1});
                } else {
                    AddGlow(c, nx, ny, 1.6f, accent * 1.5f, 10);
                }
            }
            break;
        }
    }
    Typeface title(TitleFontPath(), 44, false);
    Mask word = title.Line(name, 1);
    int wx = (kSide - word.width) / 2, wy = 146;
    StampAdd(c, BlurMask(word, 5, 12), wx - 12, wy - 12, accent * 1.1f);
    StampOver(c, word, wx, wy, Rgb(255, 250, 245));
    Typeface term(TerminalFontPath(), 16, true);
    Mask label = term.Line(role);
    StampOver(c, label, (kSide - label.width) / 2, 210, Mix(accent, Rgb(255, 255, 255), 0.5f));
    Bloom(c, 0.7f, 4, 0.4f);
    return c;
}

}  // namespace

void MakeStills(ContentSet& set) {
    AddPicture(set, "Loading.jpg", LoadingPicture(),
               Jpeg(92, Chroma::S444).Optimised().With(CommentMarker("Umbravel loading picture")));
    AddPicture(set, "BG1.jpg", HeartBackdrop(), Jpeg(85, Chroma::S420).Restart(8));
    AddPicture(set, "Infant.jpg", InfantPicture(),
               Jpeg(88, Chroma::S422).With(AppMarker(1, "Umbravel infant")));
    AddPicture(set, "VornWeb.jpg", WebPicture(),
               Jpeg(93, Chroma::S444).Restart(16).With(CommentMarker("Vorn")).With(AppMarker(12, "Umbravel closing web")));
    AddPicture(set, "Metal1.jpg", MetalPicture(), Jpeg(80, Chroma::S420).Optimised());
    AddPicture(set, "HeartTex.jpg", HeartMusclePicture(), Jpeg(86, Chroma::S422).Restart(4));
    AddPicture(set, "Missile.jpg", MissilePicture(), Jpeg(88, Chroma::S420).Restart(1));
    struct Credit { const char* name; const char* role; Colour accent; JpegSettings jpeg; };
    const Credit credits[] = {
        {"Crompet", "code", Rgb(120, 170, 255), Jpeg(90, Chroma::S444)},
        {"Zub", "music", Rgb(255, 150, 90), Jpeg(84, Chroma::S420).With(CommentMarker("Zub"))},
        {"Quessel", "pictures", Rgb(255, 90, 110), Jpeg(88, Chroma::S422).Restart(32)},
        {"Wimbrel", "design", Rgb(170, 120, 255), Jpeg(95, Chroma::S444).Optimised()},
    };
    for (int i = 0; i < 4; ++i) {
        std::string file = std::string(credits[i].name) + ".jpg";
        AddPicture(set, file.c_str(), CreditPicture(credits[i].name, credits[i].role, credits[i].accent, i),
                   credits[i].jpeg);
    }
}

}  // namespace forge
