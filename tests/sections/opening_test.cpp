// The opening of the show drawn with software GL, to a music position that a frame hook
// moves on with the virtual clock (8 rows a second; 144 rows in order 0, 64 in the others): the title's typing
// cadence and its lines at their rows, the logo's line feeds, its noise rows, its far
// plane and its switch-off, and the video cuts and the War frame clock. The hook runs on
// the render thread while the section waits in Render, so it may look at the records.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "codecs/image.h"
#include "engine/core/engine.h"
#include "engine/core/picture_texture.h"
#include "filestore/filestore.h"
#include "overlay/overlay.h"
#include "platform/platform.h"
#include "sections/opening.h"
#include "sections/sections.h"
#include "sections/video_frames.h"
#include "shell/demo_state.h"
#include "shell/quit.h"
#include "sound/vss_records.h"
#include "support/capture_platform.h"

namespace {
constexpr int kWidth = 320, kHeight = 240, kFps = 25;
constexpr double kFrame = 1.0 / kFps;
const std::string kSet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-=\\_+|[]{};':\",./<>?`~\n ";

// One captured frame as the hook saw it.
struct Seen {
    double time;     // of this frame, seconds since the test's clock start
    int order, row;  // the music position the section read for it
};

class Opening : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(StartCapturePlatform("umbravel_opening_test", kWidth, kHeight, &error, kFps)) << error;
        RgbImage* font = LoadTgaImage("SystemFont.tga");
        ASSERT_NE(font, nullptr);
        fontWidth = font->width;
        for (int i = 0; i < font->width * font->height; ++i) {
            const uint8_t* p = font->pixels + i * 3;
            fontRgba.insert(fontRgba.end(), {p[0], p[1], p[2], static_cast<uint8_t>(std::min(255, p[0] + p[1]))});
        }
        DestroyRgbImage(font);
    }

    void SetUp() override {
        engine = CreateGLEngine();
        DisplayDevice device;
        DisplayMode mode{kWidth, kHeight, 32};
        ASSERT_EQ(engine->Init(nullptr, &device, &mode), 1) << engine->GetErrorText();
        demo.engine = engine;
        SetPictureTextureEngine(engine);
        demo.module = &music;
        demo.timerFrequency = platform::CounterFrequency();
        platform::SetCaptureFrameHook(&Opening::Hook, this);
        StartClock(0);
    }
    void TearDown() override {
        platform::SetCaptureFrameHook(nullptr, nullptr);
        engine->Kill();
        delete engine;
    }

    // GetTime reads 0 from here on, and the music stands `rowsIn` rows into the song.
    void StartClock(int rowsIn) {
        platform::QueryCounter(&demo.timerStart);
        startRow = rowsIn;
        SetPosition(0.0);
    }
    double Now() const {
        int64_t now = 0;
        platform::QueryCounter(&now);
        return static_cast<double>(now - demo.timerStart) / static_cast<double>(demo.timerFrequency);
    }
    // The song: 8 rows a second, 144 rows in order 0 and 64 in every other, unless a test
    // holds the position.
    void SetPosition(double t) {
        if (hold) return hold(t);
        const int rows = startRow + static_cast<int>(std::floor(t * 8.0 + 1e-6));
        if (rows < 144) return Place(0, rows);
        Place(1 + (rows - 144) / 64, (rows - 144) % 64);
    }
    void Place(int order, int row) {
        music.currentOrder.store(order);
        music.currentRow.store(row);
    }
    static void Hook(void* user, uint64_t) {
        auto* self = static_cast<Opening*>(user);
        const double t = self->Now();
        self->seen.push_back({t, self->music.currentOrder.load(), self->music.currentRow.load()});
        if (self->onFrame) self->onFrame(self->seen.back());
        self->SetPosition(t + kFrame);  // where the song is when the next frame begins
    }

    // The teletype's row `row` read back glyph by glyph: the cursor block reads '#', an
    // empty or blank cell ' ', anything else '?'.
    static std::string ScreenLine(const uint8_t* screen, int row) {
        std::string line;
        for (int column = 0; column < 16; ++column) {
            char found = '?';
            for (size_t g = 0; g < kSet.size() && found == '?'; ++g) {
                bool same = true;
                for (int y = 0; y < 32 && same; ++y)
                    same = std::memcmp(&fontRgba[(static_cast<size_t>(y) * fontWidth + g * 16) * 4],
                                       screen + ((static_cast<size_t>(row) * 32 + y) * 256 + column * 16) * 4,
                                       16 * 4) == 0;
                if (same) found = kSet[g] == '\n' ? '#' : kSet[g];
            }
            bool empty = true;
            for (int y = 0; y < 32 && empty; ++y)
                for (int x = 0; x < 64 && empty; ++x)
                    empty = screen[((static_cast<size_t>(row) * 32 + y) * 256 + column * 16) * 4 + x] == 0;
            line += empty ? ' ' : found;
        }
        return line;
    }
    // The line without the cursor and the blanks after the text.
    static std::string Typed(std::string line) {
        for (char& c : line)
            if (c == '#') c = ' ';
        while (!line.empty() && line.back() == ' ') line.pop_back();
        return line;
    }
    static double MeanBrightness(const std::vector<uint8_t>& rgb) {
        double sum = 0;
        for (uint8_t b : rgb) sum += b;
        return sum / static_cast<double>(rgb.size());
    }

    GLEngine* engine = nullptr;
    VssModule music{};
    int startRow = 0;
    std::function<void(double)> hold;
    std::vector<Seen> seen;
    std::function<void(const Seen&)> onFrame;
    static std::vector<uint8_t> fontRgba;
    static int fontWidth;
};
std::vector<uint8_t> Opening::fontRgba;
int Opening::fontWidth = 0;
}  // namespace

TEST_F(Opening, TitleTypesOnTheClockAndSeveralCharactersWhenFramesAreSlow) {
    TitleInit();
    uint8_t* screen = TeletypeFrame(nullptr, 0.0f);
    Place(0, 0);
    hold = [](double) {};

    // "Vorn." at 0.125 s a character: the line on screen is always the part that is due.
    std::vector<std::string> lines;
    onFrame = [&](const Seen&) { lines.push_back(Typed(ScreenLine(screen, 0))); };
    TitleType("Vorn.", 0.125f);
    ASSERT_FALSE(lines.empty());
    for (size_t k = 0; k < lines.size(); ++k) {
        const double due = k * kFrame / 0.125;
        const size_t low = static_cast<size_t>(std::floor(due - 1e-4)), high = static_cast<size_t>(std::floor(due + 1e-4));
        EXPECT_TRUE(lines[k] == std::string("Vorn.").substr(0, low) || lines[k] == std::string("Vorn.").substr(0, high))
            << "frame " << k << ": '" << lines[k] << "'";
    }
    EXPECT_EQ(lines.back(), "Vorn.");
    EXPECT_EQ(lines.size(), 17u);  // the fifth character is due at 0.625 s: the frame at 0.64 s

    // Faster than the frames: every frame types two or three characters.
    lines.clear();
    TeletypeFrame("\n", 0.0f);
    onFrame = [&](const Seen&) { lines.push_back(Typed(ScreenLine(screen, 1))); };
    TitleType("ABCDEFGHIJKLM", 0.015f);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "ABCDEFGHIJKLM");
    for (size_t k = 1; k < lines.size(); ++k) {
        EXPECT_GE(lines[k].size() - lines[k - 1].size(), 2u) << k;
        EXPECT_LE(lines[k].size() - lines[k - 1].size(), 3u) << k;
    }

    // An empty text returns without a frame.
    const uint64_t frames = platform::CapturedFrameCount();
    TitleType("", 0.125f);
    EXPECT_EQ(platform::CapturedFrameCount(), frames);
}

TEST_F(Opening, TitleWaitDrawsOnlyWhileTheMusicIsBefore) {
    TitleInit();
    // Already there, or past it: no frame.
    Place(0, 12);
    uint64_t frames = platform::CapturedFrameCount();
    TitleWait(0, 12);
    Place(1, 0);
    TitleWait(0, 128);
    EXPECT_EQ(platform::CapturedFrameCount(), frames);
    // Before it: frames until the row is reached, every one of them before it.
    StartClock(4);
    TitleWait(0, 12);
    EXPECT_EQ(music.currentRow.load(), 12);
    ASSERT_EQ(seen.size(), 25u);  // rows 4..11 at 8 a second: one second
    for (const Seen& s : seen) EXPECT_LT(s.row, 12);
}

TEST_F(Opening, TitleLinesStartAtTheirRows) {
    TitleInit();
    uint8_t* screen = TeletypeFrame(nullptr, 0.0f);
    // For each screen row, the frame its first visible character appeared on.
    const int screenRows[4] = {0, 1, 3, 5};
    const int startRows[4] = {12, 32, 60, 92};
    const int leadingBlanks[4] = {6, 0, 3, 1};
    int firstSeen[4] = {-1, -1, -1, -1};
    onFrame = [&](const Seen&) {
        for (int l = 0; l < 4; ++l)
            if (firstSeen[l] < 0 && !Typed(ScreenLine(screen, screenRows[l])).empty())
                firstSeen[l] = static_cast<int>(seen.size()) - 1;
    };
    TitleRun();
    for (int l = 0; l < 4; ++l) {
        ASSERT_GE(firstSeen[l], 0) << "line " << l;
        // The line's first frame is the first one at its row; its first visible character
        // follows the leading blanks at 0.125 s each.
        int lineStart = 0;
        while (seen[lineStart].order == 0 && seen[lineStart].row < startRows[l]) ++lineStart;
        const double expected = (leadingBlanks[l] + 1) * 0.125;
        const double took = seen[firstSeen[l]].time - seen[lineStart].time;
        EXPECT_GE(took, expected - 1e-3) << "line " << l;
        EXPECT_LT(took, expected + kFrame + 1e-3) << "line " << l;
    }
    EXPECT_EQ(Typed(ScreenLine(screen, 0)), "      Vorn");
    EXPECT_EQ(Typed(ScreenLine(screen, 1)), "Proudly Presents");
    EXPECT_EQ(Typed(ScreenLine(screen, 2)), "");
    EXPECT_EQ(Typed(ScreenLine(screen, 3)), "   Umbravel");
    EXPECT_EQ(Typed(ScreenLine(screen, 5)), " \"Nightfold\"...");
    // It ends at order 0, row 128: every frame was drawn before it.
    for (const Seen& s : seen) EXPECT_EQ(s.order, 0);
    EXPECT_EQ(music.currentOrder.load(), 0);
    EXPECT_EQ(music.currentRow.load(), 128);
    std::vector<uint8_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(platform::LastCapturedFrame(&frame, &w, &h));
    EXPECT_GT(MeanBrightness(frame), 2.0);  // the text is on screen
}

TEST_F(Opening, LogoValuesByRowAndByTime) {
    const char* pattern = "110000010011011110010111000110111101010110111111";
    for (int row = 0; row < 48; ++row) EXPECT_EQ(LogoRowShowsNoise(row), pattern[row] - '0') << row;
    EXPECT_EQ(LogoRowShowsNoise(48), 0);
    EXPECT_EQ(LogoRowShowsNoise(-1), 0);

    EXPECT_FLOAT_EQ(LogoRevealFarPlane(1000.0f, 5.0f, 5.0f), 725.0f);
    EXPECT_FLOAT_EQ(LogoRevealFarPlane(1000.0f, 5.0f, 5.75f), 862.5f);
    EXPECT_FLOAT_EQ(LogoRevealFarPlane(1000.0f, 5.0f, 6.5f), 1000.0f);
    EXPECT_FLOAT_EQ(LogoRevealFarPlane(1000.0f, 5.0f, 60.0f), 1000.0f);

    // The swing goes on without a jump: at d = 0 the amplitudes are 250 and 200.
    const float t1 = 7.3f;
    LogoFade fade = LogoFadeAt(1000.0f, t1, 0.0f);
    EXPECT_FLOAT_EQ(fade.camera.x, 250.0f * std::sin(1.2f * t1));
    EXPECT_FLOAT_EQ(fade.camera.y, 200.0f * std::cos(t1));
    EXPECT_FLOAT_EQ(fade.farPlane, 1000.0f);
    EXPECT_FLOAT_EQ(fade.scaleY, 1.0f);
    fade = LogoFadeAt(1000.0f, t1, 0.1f);
    EXPECT_NEAR(fade.scaleY, 0.505f, 1e-6);
    EXPECT_FLOAT_EQ(fade.scaleX, 1.0f);
    fade = LogoFadeAt(1000.0f, t1, 0.2f);
    EXPECT_NEAR(fade.scaleY, 0.01f, 1e-6);
    EXPECT_NEAR(fade.scaleX, 1.0f, 1e-6);
    fade = LogoFadeAt(1000.0f, t1, 0.3f);
    EXPECT_FLOAT_EQ(fade.scaleY, 0.01f);
    EXPECT_NEAR(fade.scaleX, 0.505f, 1e-6);
    EXPECT_TRUE(fade.overlayShown);
    fade = LogoFadeAt(1000.0f, t1, 0.3999f);
    EXPECT_NEAR(fade.scaleX, 0.01f, 1e-3);
    fade = LogoFadeAt(1000.0f, t1, 0.4f);
    EXPECT_FALSE(fade.overlayShown);
    fade = LogoFadeAt(1000.0f, t1, 1.0f);
    EXPECT_FLOAT_EQ(fade.farPlane, 862.5f);
    EXPECT_NEAR(fade.camera.x, 125.0f * std::sin(1.2f * (t1 + 1.0f)), 1e-3);
    fade = LogoFadeAt(1000.0f, t1, 2.5f);
    EXPECT_FLOAT_EQ(fade.farPlane, 725.0f);
    EXPECT_EQ(fade.camera.x, 0.0f);
    EXPECT_EQ(fade.camera.y, 0.0f);
}

TEST_F(Opening, LogoRunsItsThreePhasesByTheMusic) {
    LogoInit();
    uint8_t* teletype = TeletypeFrame(nullptr, 0.0f);
    Scene* scene = LogoScene();
    Camera* camera = scene->GetActiveCamera();
    Object3D* overlay = scene->GetObject(9);
    // The layers: alpha 255 down to 31, 1/7 of 250 apart in front of the far plane.
    for (int i = 0; i < 8; ++i) {
        const Object3D* layer = scene->GetObject(1 + i);
        EXPECT_EQ(layer->GetTriangle(0)->GetSurface()->GetDiffuse().a, (2040 - 255 * i) / 8);
        EXPECT_NEAR(layer->GetPosition().z, i * 250.0f / 7.0f - 1000.0f, 1e-3);
    }
    // Order 1 for 4.5 s, then order 2 row by row at 8 a second, held at row 48 for 3 s,
    // then order 3.
    hold = [&](double t) {
        if (t < 4.5) return Place(1, 0);
        const int row = static_cast<int>(std::floor((t - 4.5) * 8.0 + 1e-6));
        if (row < 48) return Place(2, row);
        Place(t < 4.5 + 6.0 + 3.0 ? 2 : 3, 48);
    };
    StartClock(0);
    struct Look {
        float far;
        int cursorRow;  // -1 when the cursor is not shown in this frame
        bool noise;
        bool overlayOn;
        Vec3 scale;
        std::vector<uint8_t> picture;
    };
    std::vector<Look> looks;
    onFrame = [&](const Seen& s) {
        Look look{camera->GetFarPlane(), -1, overlay->GetTriangle(0)->GetTexture()->GetPixels() != teletype,
                  overlay->IsEnabled() != 0, overlay->scale, {}};
        for (int r = 0; r < 8 && s.order < 2; ++r)
            if (ScreenLine(teletype, r)[0] == '#') look.cursorRow = r;
        int w, h;
        platform::LastCapturedFrame(&look.picture, &w, &h);
        looks.push_back(std::move(look));
    };
    LogoRun();
    ASSERT_EQ(looks.size(), seen.size());

    double phase3 = -1;
    int noiseFrames = 0, teletypeFrames = 0;
    for (size_t k = 0; k < seen.size(); ++k) {
        const Seen& s = seen[k];
        const Look& look = looks[k];
        if (s.order < 2) {
            // Phase 1: the far plane comes out over 1.5 s; line feeds at 1, 2 and 3 s.
            EXPECT_NEAR(look.far, s.time < 1.5 ? 725.0 + 275.0 * s.time / 1.5 : 1000.0, 0.01) << s.time;
            const int expectedRow = s.time < 1.0 - 1e-6 ? 0 : s.time < 2.0 - 1e-6 ? 1 : s.time < 3.0 - 1e-6 ? 2 : 3;
            if (look.cursorRow >= 0) {
                EXPECT_EQ(look.cursorRow, expectedRow) << s.time;
            }
            EXPECT_FALSE(look.noise);
        } else if (s.row < 48) {
            // Phase 2: noise or teletype by the row.
            EXPECT_EQ(look.noise, LogoRowShowsNoise(s.row) == 1) << "row " << s.row;
            (look.noise ? noiseFrames : teletypeFrames)++;
            EXPECT_FLOAT_EQ(look.far, 1000.0f);
        } else {
            // Phase 3, d seconds in: the far plane hides the layers, the overlay folds.
            if (phase3 < 0) phase3 = s.time;
            const double d = s.time - phase3;
            EXPECT_NEAR(look.far, d < 2.0 ? 1000.0 - 137.5 * d : 725.0, 0.05) << d;
            if (std::abs(d - 0.4) > 1e-3) {
                EXPECT_EQ(look.overlayOn, d < 0.4) << d;
            }
            if (d < 0.2 - 1e-4) {
                EXPECT_NEAR(look.scale.y, 1.0 - 4.95 * d, 1e-3) << d;
            }
            if (d > 0.2 + 1e-4 && d < 0.4 - 1e-4) {
                EXPECT_NEAR(look.scale.y, 0.01, 1e-5) << d;
                EXPECT_NEAR(look.scale.x, 1.0 - 4.95 * (d - 0.2), 1e-3) << d;
            }
            EXPECT_TRUE(look.noise);
        }
    }
    EXPECT_GT(noiseFrames, 50);
    EXPECT_GT(teletypeFrames, 50);
    ASSERT_GE(phase3, 0.0);

    // The pictures: the logo fills the screen's middle once revealed; the noise screen is
    // grey all over; after the far plane passed the nearest layer the screen is black.
    auto at = [&](double t) -> const std::vector<uint8_t>& {
        size_t k = 0;
        while (k + 1 < seen.size() && seen[k].time < t - 1e-6) ++k;
        return looks[k].picture;
    };
    EXPECT_GT(MeanBrightness(at(2.0)), MeanBrightness(at(0.0)));
    size_t noisy = 0;
    while (noisy < seen.size() && !(seen[noisy].order == 2 && looks[noisy].noise)) ++noisy;
    ASSERT_LT(noisy, seen.size());
    EXPECT_GT(MeanBrightness(looks[noisy].picture), 40.0);
    EXPECT_LT(MeanBrightness(at(phase3 + 2.5)), 1.0);
}

TEST_F(Opening, VideoCutsShowTheirFramesByTheClock) {
    LoadEhFrames(0, 49);
    LoadEhFrames(50, 99);
    // The frames each captured picture should show, turned back from the 16-bit form.
    std::vector<std::vector<uint8_t>> pictures;
    onFrame = [&](const Seen&) {
        std::vector<uint8_t> rgb;
        int w, h;
        platform::LastCapturedFrame(&rgb, &w, &h);
        pictures.push_back(std::move(rgb));
    };
    StartClock(0);
    PlayEhFrames(50, 53);
    // 25 frames a second at 25 captured ones: four pictures, and 0.16 s have passed.
    ASSERT_GE(pictures.size(), 4u);
    ASSERT_LE(pictures.size(), 5u);
    EXPECT_NEAR(Now(), 0.16, kFrame + 1e-6);

    // Each picture is nearest to the frame the clock chose (sampled on a coarse grid).
    VideoFrames reference;
    std::vector<uint16_t*> table(316, nullptr);
    reference.nameFormat = "Video\\EH\\EH%03d.jpg";
    reference.frameCount = 316;
    reference.frames = table.data();
    ASSERT_EQ(LoadVideoFrames(reference, 49, 54, 1, nullptr), kFramesLoaded);
    std::vector<uint8_t> rgba(65536 * 4);
    auto distance = [&](const std::vector<uint8_t>& picture, int frame) {
        UnpackFrame(table[frame], 65536, rgba.data());
        double sum = 0;
        for (int y = 8; y < kHeight; y += 16)
            for (int x = 8; x < kWidth; x += 16) {
                const int u = x * 256 / kWidth, v = y * 256 / kHeight;
                for (int c = 0; c < 3; ++c)
                    sum += std::abs(picture[(static_cast<size_t>(y) * kWidth + x) * 3 + c] -
                                    rgba[(static_cast<size_t>(v) * 256 + u) * 4 + c]);
            }
        return sum;
    };
    for (size_t k = 0; k < pictures.size(); ++k) {
        const int expected = EhFrameAt(50, 0.0f, static_cast<float>(seen[k].time));
        ASSERT_LE(expected, 53);
        for (int other = 49; other <= 54; ++other)
            if (other != expected) {
                EXPECT_LT(distance(pictures[k], expected), distance(pictures[k], other)) << k;
            }
    }
    for (uint16_t* f : table) std::free(f);
}

TEST_F(Opening, WarFramesChangeTheTextureOnlyWhenTheNumberChanges) {
    LoadWarFrames(0, 39);
    Texture texture;
    ShowWarFrame(&texture, 0.0f);
    ASSERT_NE(texture.GetPixels(), nullptr);
    EXPECT_EQ(texture.width, 256);
    const std::vector<uint8_t> first(texture.GetPixels(), texture.GetPixels() + 65536 * 4);
    EXPECT_EQ(first[3], 255);
    texture.width = 0;
    ShowWarFrame(&texture, 0.05f);  // still frame 0: untouched
    EXPECT_EQ(texture.width, 0);
    ShowWarFrame(&texture, 0.07f);  // frame 1
    EXPECT_EQ(texture.width, 256);
    EXPECT_NE(std::memcmp(first.data(), texture.GetPixels(), first.size()), 0);
    ShowWarFrame(&texture, 24.1f);  // frame 0 again
    EXPECT_EQ(std::memcmp(first.data(), texture.GetPixels(), first.size()), 0);
}
