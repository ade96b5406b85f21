// brain_pictures.cpp -- the brain's own three surface pictures and the pictures laid over
// its surface: three activity maps ("BrainQ1..3", alpha from brightness, so black is
// clear) and the flash ("BrainF"). All are 256 x 256, the size the brain's surface
// pictures keep after resampling, and all share one layout: the brain's texture
// projection spans the whole picture, the hemispheres split down the middle column, the
// frontal lobe at the top. The maps follow the same folds as the surface pictures, so
// lit paths run along the grooves the eye sees.
#include <cmath>

#include "content.h"
#include "paint.h"

namespace forge {

namespace {

constexpr int kSide = 256;

// The folds: a ridged field whose creases are the grooves (sulci). 0 in a groove, 1 on a
// ridge. Each hemisphere mirrors the other with a slight offset, like real brains.
float Folds(const Noise& noise, float u, float v) {
    // The hemispheres share the large shapes but not the small ones.
    float mx = u < 0.5f ? 0.5f - u : u - 0.5f + 0.21f;
    // Contour bands of a slow field wind like gyri; a second field bends them.
    float warp = noise.Fbm(mx * 3.0f + 11.0f, v * 3.0f, 2);
    float field = noise.Fbm(mx * 5.5f + warp * 0.6f, v * 6.5f + warp * 0.5f, 3);
    float bands = 0.5f + 0.5f * std::cos(field * kPi * 9.0f);
    return Clamp01(bands);
}

// How far inside the brain's outline (0 outside, 1 well inside); the middle groove between
// the hemispheres counts as outside.
float Inside(float u, float v) {
    float d = EllipseDistance(u - 0.5f, v - 0.5f, 0.47f, 0.48f);
    float fissure = SmoothStep(0.004f, 0.018f, std::fabs(u - 0.5f));
    return SmoothStep(0.01f, -0.03f, d) * fissure;
}

Canvas Tissue(int variant) {
    Canvas c(kSide, kSide);
    Noise folds(0xB8A1);  // shared by every brain picture
    Noise detail(0xB8A10 + variant);
    const Colour tones[3][2] = {
        {Rgb(120, 70, 80), Rgb(230, 175, 170)},   // pale, fresh
        {Rgb(90, 20, 36), Rgb(210, 100, 110)},    // blood-flushed
        {Rgb(50, 30, 70), Rgb(170, 130, 190)},    // bruised violet
    };
    c.Fill([&](int, int, float u, float v) {
        float f = Folds(folds, u, v);
        float ridge = SmoothStep(0.0f, 0.4f, f);
        float speck = 0.5f + 0.5f * detail.Fbm(u * 24.0f, v * 24.0f, 3);
        Colour t = Mix(tones[variant][0], tones[variant][1], ridge * (0.75f + 0.25f * speck));
        float vessel = std::pow(detail.Ridged(u * 4.0f + variant, v * 4.0f, 4), 8.0f);
        t = Mix(t, Rgb(110, 10, 30), Clamp01(vessel * 1.5f) * (variant == 1 ? 0.9f : 0.5f));
        // Wet sheen on the ridges.
        t = t + Rgb(255, 230, 230) * std::pow(ridge, 6.0f) * 0.2f;
        float in = Inside(u, v);
        return Mix(t * 0.35f, t, in);
    });
    return c;
}

// Activity maps: 0 lights the grooves as fine cyan lines, 1 floods whole lobes in violet
// patches, 2 scatters golden synapses joined along the ridges. Rows cycle 0, 1, 2, 1, so 1
// is the resting map between the other two.
Canvas ActivityMap(int variant) {
    Canvas c(kSide, kSide);
    Noise folds(0xB8A1);
    Noise act(0xAC70 + variant);
    c.Fill([&](int, int, float u, float v) {
        float f = Folds(folds, u, v);
        float in = Inside(u, v);
        Colour out{};
        if (variant == 0) {
            float line = SmoothStep(0.12f, 0.0f, f);
            float pulse = Clamp01(0.4f + act.Fbm(u * 3.0f, v * 3.0f, 2));
            out = Rgb(90, 230, 255) * line * pulse;
        } else if (variant == 1) {
            float lobe = Clamp01(act.Fbm(u * 2.5f, v * 2.5f, 3) * 1.6f);
            float ridge = SmoothStep(0.2f, 0.7f, f);
            out = Rgb(200, 80, 255) * lobe * (0.4f + 0.8f * ridge) * 1.3f;
        } else {
            float ridge = SmoothStep(0.55f, 0.9f, f);
            float spots = std::pow(Clamp01(act.At(u * 30.0f, v * 30.0f) * 1.6f + 0.1f), 4.0f);
            out = Rgb(255, 190, 70) * (spots * 1.5f + ridge * 0.25f * Clamp01(act.Fbm(u * 5, v * 5, 2) + 0.3f));
        }
        return out * in;
    });
    Bloom(c, 0.35f, 3, 0.6f);
    return c;
}

// The flash: the surface burns white-blue, with arcs of current running through it.
Canvas Flash() {
    Canvas c(kSide, kSide);
    Noise noise(0xF1A5);
    c.Fill([&](int, int, float u, float v) {
        float arcs = std::pow(noise.Ridged(u * 5.0f, v * 5.0f, 5), 4.0f);
        float base = 0.55f + 0.25f * noise.Fbm(u * 8.0f, v * 8.0f, 3);
        return Rgb(150, 190, 255) * base + Rgb(255, 255, 255) * arcs * 0.9f;
    });
    return c;
}

void Add(ContentSet& set, const char* shortName, const Canvas& canvas, const JpegSettings& jpeg) {
    Image image = ToImage(canvas);
    set.AddJpeg(std::string("Files\\") + shortName, image, jpeg);
    set.AddPreview(shortName, std::move(image));
}

}  // namespace

void MakeBrainPictures(ContentSet& set) {
    Add(set, "Brain1.jpg", Tissue(0), Jpeg(85, Chroma::S420));
    Add(set, "Brain2.jpg", Tissue(1), Jpeg(87, Chroma::S444).Restart(12));
    Add(set, "Brain3.jpg", Tissue(2), Jpeg(83, Chroma::S422).Optimised());
    Add(set, "BrainQ1.jpg", ActivityMap(0), Jpeg(90, Chroma::S444));
    Add(set, "BrainQ2.jpg", ActivityMap(1), Jpeg(90, Chroma::S422).With(CommentMarker("map")));
    Add(set, "BrainQ3.jpg", ActivityMap(2), Jpeg(91, Chroma::S444).Restart(6));
    Add(set, "BrainF.jpg", Flash(), Jpeg(76, Chroma::S420));
}

}  // namespace forge
