// The program as a user runs it: flags, exit codes, the boxes it prints headless, and
// the capture mode's frames.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {
struct ProgramRun {
    int code = -1;
    std::string out, err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path Scratch(const std::string& name) {
    // Tests run side by side: every process keeps its own folders.
    fs::path dir = fs::temp_directory_path() / ("umbravel_program_test_" + std::to_string(getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Runs the program with `args` (and `environment` in front), capturing both streams.
ProgramRun RunProgram(const std::string& args, const std::string& environment = "") {
    static int runs = 0;
    const fs::path dir = Scratch("streams" + std::to_string(runs++));
    const std::string command = environment + " " + UMBRAVEL_BINARY + " " + args + " >" + (dir / "out").string() +
                                " 2>" + (dir / "err").string() + " </dev/null";
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(dir / "out");
    run.err = ReadFile(dir / "err");
    return run;
}

int CountPngs(const fs::path& dir) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".png") ++count;
    return count;
}
}  // namespace

TEST(Program, HelpVersionAndBadFlags) {
    ProgramRun help = RunProgram("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--capture DIR"), std::string::npos);
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    ProgramRun version = RunProgram("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "umbravel " UMBRAVEL_VERSION "\n");
    EXPECT_EQ(version.err, "");
    ProgramRun bad = RunProgram("--fps");
    EXPECT_EQ(bad.code, 2);
    EXPECT_EQ(bad.err, "umbravel: --fps needs a number from 1 to 1000\n");
    ProgramRun unknown = RunProgram("--loud");
    EXPECT_EQ(unknown.code, 2);
}

TEST(Program, NoDisplayAndNotHeadlessIsAClearError) {
    ProgramRun run = RunProgram("--no-setup", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("no display found"), std::string::npos) << run.err;
}

namespace {
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

Picture ReadPng(const fs::path& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
        p.width = static_cast<int>(image.width);
        p.height = static_cast<int>(image.height);
    } else {
        p.rgb.clear();
    }
    return p;
}

// What a captured frame shows, in a few numbers. Shares are of all the frame's pixels.
struct Look {
    int width = 0;
    double mean[3] = {};     // average red, green and blue
    int brightest = 0;       // the highest channel value anywhere
    double dark = 0;         // near black: no channel above 23
    double darkBorder = 0;   // near black, of the pixels within a tenth of the height of the edges
    double red = 0;          // red at least twice green and blue (the heart, the blob, the infant)
    double violet = 0;       // the logo's and the web's violet
    double tinted = 0;       // any clear colour: the teletype's text and screen have none
    double lettering = 0;    // the credits' pale letters, in the band below the middle
    double detail = 0;       // mean difference to the pixel on the left, all channels (noise is high)
    int barPixels = 0;       // the loading bar's colour (190, 150, 210) as the lit overlay shows it
    int lightPixels = 0;     // the teletype's light grey text

    double Brightness() const { return (mean[0] + mean[1] + mean[2]) / 3; }
    bool Blank() const { return std::max({mean[0], mean[1], mean[2]}) < 3; }
};

bool Near(int value, int target, int tolerance) { return std::abs(value - target) <= tolerance; }

Look Measure(const Picture& p) {
    Look l;
    l.width = p.width;
    const int w = p.width, h = p.height, margin = h / 10;
    const int bandTop = h * 55 / 100, bandBottom = h * 72 / 100;
    double sum[3] = {}, detail = 0;
    int dark = 0, darkBorder = 0, border = 0, red = 0, violet = 0, tinted = 0, lettering = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* q = &p.rgb[static_cast<size_t>(y) * w * 3];
        const bool inBand = y >= bandTop && y < bandBottom, borderRow = y < margin || y >= h - margin;
        int left[3] = {q[0], q[1], q[2]};
        for (int x = 0; x < w; ++x, q += 3) {
            const int r = q[0], g = q[1], b = q[2];
            const int hi = std::max(r, std::max(g, b)), lo = std::min(r, std::min(g, b));
            sum[0] += r, sum[1] += g, sum[2] += b;
            l.brightest = std::max(l.brightest, hi);
            dark += hi < 24;
            if (borderRow || x < margin || x >= w - margin) ++border, darkBorder += hi < 24;
            red += r >= 24 && r > 2 * g && r > 2 * b;
            violet += b > 60 && b > g + 30 && r > g + 10;
            tinted += hi >= 24 && 3 * (hi - lo) >= hi;
            // The letters are drawn translucent: they lift green and blue alike over any red.
            lettering += inBand && g >= 70 && g <= 115 && b >= 70 && b <= 115 && Near(g, b, 12) && r >= g - 10;
            detail += std::abs(r - left[0]) + std::abs(g - left[1]) + std::abs(b - left[2]);
            left[0] = r, left[1] = g, left[2] = b;
            l.barPixels += Near(r, 153, 16) && Near(g, 120, 16) && Near(b, 169, 16);
            l.lightPixels += Near(r, 180, 75) && Near(g, 180, 75) && Near(b, 180, 75);
        }
    }
    const double n = std::max(1.0, static_cast<double>(w) * h);
    for (int c = 0; c < 3; ++c) l.mean[c] = sum[c] / n;
    l.dark = dark / n;
    l.darkBorder = border ? static_cast<double>(darkBorder) / border : 0;
    l.red = red / n;
    l.violet = violet / n;
    l.tinted = tinted / n;
    l.lettering = lettering / n;
    l.detail = detail / n;
    return l;
}

// What each stretch of the show looks like. Each is told apart from the stretches around it.
bool ShowsTeletype(const Look& l) { return l.dark >= 0.88 && l.tinted < 0.01; }
bool ShowsFilm(const Look& l) { return l.dark < 0.25 && l.Brightness() > 90; }  // a bright picture, edge to edge
bool ShowsNoise(const Look& l) { return l.detail >= 60; }
bool ShowsLayersOrTeletype(const Look& l) { return l.violet >= 0.08 || ShowsTeletype(l); }
bool ShowsLayersOrNoise(const Look& l) { return l.violet >= 0.08 || ShowsNoise(l); }
bool ShowsVioletOrBlack(const Look& l) { return l.mean[2] > 1.1 * l.mean[1] + 1 || l.Blank(); }
bool ShowsRedOnBlack(const Look& l) { return l.red >= 0.05 && l.darkBorder >= 0.6 && l.lettering < 0.008; }
bool ShowsCredits(const Look& l) { return l.lettering >= 0.008; }
bool ShowsSetInTheDark(const Look& l) {
    return l.dark >= 0.85 && l.tinted >= 0.03 && l.tinted <= 0.4 && l.red < 0.01 && l.violet < 0.01;
}
bool ShowsInsideTheSet(const Look& l) { return l.darkBorder < 0.6 && l.violet < 0.01; }  // lit walls to the edges
bool ShowsBrain(const Look& l) {  // the infant's red over a quarter of the frame, with the overlays' detail
    return l.red >= 0.25 && l.detail >= 8 && l.dark >= 0.25 && l.dark <= 0.55;
}
bool ShowsWeb(const Look& l) { return l.violet >= 0.15 && l.detail >= 20; }

struct Position {
    int order, row;
};

struct TimelineEntry {
    int order, row, playing;
    bool Before(Position p) const { return order < p.order || (order == p.order && row < p.row); }
};

// The show in order: each stretch runs until the music reaches `end`, and nine in ten of its
// frames show its look. Where a section hands over to the next, a cut of `filmFrames` frames
// of the film (at 25 a second, by the clock) plays first.
struct Stretch {
    const char* name;
    Position end;
    bool (*shows)(const Look&);
    int filmFrames;
};

constexpr Position kTheEnd{1000, 0};
const Stretch kShow[] = {
    {"title", {0, 128}, ShowsTeletype, 4},
    {"logo: the layers come into view behind the teletype", {2, 0}, ShowsLayersOrTeletype, 0},
    {"logo: noise or teletype by rows", {2, 48}, ShowsLayersOrNoise, 0},
    {"logo: switched off", {3, 0}, ShowsVioletOrBlack, 4},
    {"heart", {10, 0}, ShowsRedOnBlack, 4},
    {"tv: the credits over the blob", {12, 0}, ShowsCredits, 0},
    {"tv: the set in the dark", {13, 0}, ShowsSetInTheDark, 0},
    {"tv: inside the set", {19, 0}, ShowsInsideTheSet, 4},
    {"brain", {23, 0}, ShowsBrain, 316},
    {"closing: the web", {25, 0}, ShowsWeb, 0},
    {"closing: the fade", kTheEnd, ShowsVioletOrBlack, 0},
};
constexpr size_t kStretches = sizeof kShow / sizeof kShow[0];

std::vector<TimelineEntry> ReadTimeline(const fs::path& path) {
    std::vector<TimelineEntry> t;
    std::ifstream in(path);
    unsigned long long frame;
    TimelineEntry e;
    while (in >> frame >> e.order >> e.row >> e.playing) t.push_back(e);
    return t;
}

std::string FramePath(size_t i) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06zu.png", i);
    return name;
}

// "frame_000123.png at 2:10", for failure messages.
std::string Where(size_t i, const std::vector<TimelineEntry>& timeline) {
    return FramePath(i) + " at " + std::to_string(timeline[i].order) + ":" + std::to_string(timeline[i].row);
}

struct Span {
    size_t begin = 0, end = 0;
    size_t Size() const { return end - begin; }
};

size_t CountShowing(const std::vector<Look>& looks, Span span, bool (*shows)(const Look&)) {
    size_t n = 0;
    for (size_t i = span.begin; i < span.end; ++i) n += shows(looks[i]);
    return n;
}
}  // namespace

// The whole show, captured headless at a small size: the loading screen, every section in
// its stretch of the music and looking like itself, the film cuts between them lasting their
// time, the audio as long as the pictures, and nothing left blank.
TEST(Program, WholeShowPlaysInStepWithTheMusic) {
    const fs::path dir = Scratch("show");
    const int fps = 10;
    ProgramRun run = RunProgram("--capture " + dir.string() + " --size 160x120 --fps " + std::to_string(fps));
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("Vorn Umbravel Demo Profiling: Profiling Results:\nFPS = "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Error"), std::string::npos) << run.err;

    const std::vector<TimelineEntry> timeline = ReadTimeline(dir / "timeline.txt");
    const size_t frames = static_cast<size_t>(CountPngs(dir));
    ASSERT_EQ(timeline.size(), frames);
    ASSERT_GT(frames, 2000u);  // about four minutes of music at 10 frames per second

    // The audio holds exactly the frames' share of samples: 4410 stereo 16-bit frames each.
    EXPECT_EQ(fs::file_size(dir / "sound.wav"), 44 + frames * 4410 * 4);

    // Every frame read once.
    std::vector<Look> looks(frames);
    for (size_t i = 0; i < frames; ++i) {
        looks[i] = Measure(ReadPng(dir / FramePath(i)));
        ASSERT_EQ(looks[i].width, 160) << FramePath(i);
    }

    // The music only moves forward and the show ends seven seconds into order 25.
    size_t loading = 0, inLastOrder = 0;
    for (size_t i = 0; i < frames; ++i) {
        if (!timeline[i].playing) ++loading;
        if (timeline[i].order == 25) ++inLastOrder;
        if (i > 0 && timeline[i - 1].playing && timeline[i].playing) {
            ASSERT_FALSE(timeline[i].Before({timeline[i - 1].order, timeline[i - 1].row})) << FramePath(i);
        }
    }
    EXPECT_EQ(timeline.back().order, 25);
    EXPECT_GE(inLastOrder, 7u * fps);
    EXPECT_LE(inLastOrder, 8u * fps);

    // Loading: one frame at the start and one per step, the bar growing in the picture.
    ASSERT_EQ(loading, 23u);
    for (size_t i = 1; i < loading; ++i)
        EXPECT_GE(looks[i].barPixels, looks[i - 1].barPixels) << "the bar shrank at step " << i;
    EXPECT_GT(looks[22].barPixels, 10 * looks[1].barPixels);
    EXPECT_GT(looks[11].barPixels, 4 * looks[1].barPixels);
    EXPECT_LT(looks[11].barPixels, looks[22].barPixels * 6 / 10);

    // The stretches by the music position each frame was drawn at; a cut runs from the first
    // frame at or past a section's end until the next stretch shows.
    Span spans[kStretches], cuts[kStretches];
    size_t i = loading;
    for (size_t k = 0; k < kStretches; ++k) {
        spans[k].begin = i;
        while (i < frames && timeline[i].Before(kShow[k].end)) ++i;
        spans[k].end = i;
        ASSERT_GT(spans[k].Size(), 0u) << kShow[k].name << " has no frames";
        if (kShow[k].filmFrames == 0) continue;
        cuts[k].begin = i;
        while (i < frames && !kShow[k + 1].shows(looks[i])) ++i;
        cuts[k].end = i;
    }
    ASSERT_EQ(i, frames);

    for (size_t k = 0; k < kStretches; ++k) {
        const Stretch& s = kShow[k];
        const Span span = spans[k];
        // Its frames show it.
        std::string missing;
        size_t shown = 0;
        for (size_t f = span.begin; f < span.end; ++f) {
            if (s.shows(looks[f]))
                ++shown;
            else if (missing.size() < 200)
                missing += " " + Where(f, timeline);
        }
        EXPECT_GE(shown, span.Size() * 9 / 10)
            << s.name << ": " << span.Size() - shown << " of " << span.Size() << " frames look wrong:" << missing;
        if (s.filmFrames == 0) continue;

        // The film cut after it lasts its time.
        const Span cut = cuts[k];
        const double expected = s.filmFrames * fps / 25.0;
        EXPECT_NEAR(static_cast<double>(cut.Size()), expected, 1.0)
            << "the cut after " << s.name << ", from " << Where(cut.begin, timeline) << " lasts " << cut.Size()
            << " frames";
        EXPECT_GT(CountShowing(looks, cut, ShowsFilm), 0u) << "the cut after " << s.name << " shows no film";

        // And the section's picture does not go on into the next one.
        const Span next = spans[k + 1];
        EXPECT_LE(CountShowing(looks, next, s.shows) * 20, next.Size())
            << kShow[k + 1].name << " looks like " << s.name;
    }

    // The film shows in the cuts only, the noise screen only in the logo's order 2.
    size_t noise = 0, strayNoise = 0, firstStrayNoise = 0;
    for (size_t k = 0; k < kStretches; ++k) {
        size_t film = 0, firstFilm = 0;
        for (size_t f = spans[k].begin; f < spans[k].end; ++f) {
            if (ShowsFilm(looks[f]) && film++ == 0) firstFilm = f;
            if (!ShowsNoise(looks[f])) continue;
            if (timeline[f].order == 2)
                ++noise;
            else if (strayNoise++ == 0)
                firstStrayNoise = f;
        }
        EXPECT_EQ(film, 0u) << kShow[k].name << " shows the film, first at " << Where(firstFilm, timeline);
    }
    EXPECT_EQ(strayNoise, 0u) << "noise outside the logo's order 2, first at " << Where(firstStrayNoise, timeline);
    EXPECT_GE(noise, 2u * fps) << "the logo's noise screen";

    // The title types its text; the closing fades out to black and never brightens on the way.
    int titleText = 0;
    for (size_t f = spans[0].begin; f < spans[0].end; ++f)
        if (timeline[f].row > 40) titleText += looks[f].lightPixels;
    EXPECT_GT(titleText, 0) << "no typed title";
    const Span fade = spans[kStretches - 1];
    for (size_t f = fade.begin + 1; f < fade.end; ++f)
        EXPECT_LE(looks[f].Brightness(), looks[f - 1].Brightness() + 1) << Where(f, timeline);
    EXPECT_TRUE(looks[frames - 1].Blank());

    // No frame of the show is blank but a handful of dark moments (the logo switched off,
    // the film's dark end, the end of the fade).
    size_t blank = 0;
    for (size_t f = loading; f < frames; ++f) blank += looks[f].brightest < 12;
    EXPECT_LT(blank, frames / 50) << blank << " blank frames";
}

namespace {
constexpr uint64_t kFnvStart = 0xCBF29CE484222325ull;
uint64_t Fnv(uint64_t hash, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
    return hash;
}
// The capture below as the show gives it today.
constexpr int kShowFrames = 1004;
// The pictures through an X server's GL (GLX) and with no display at all (SDL's offscreen
// driver, EGL): the same rasteriser, but the two surfaces do not give the same pixels.
constexpr uint64_t kShowPictures = 0xc59a13bd9b9fbf04ull;
constexpr uint64_t kShowPicturesOffscreen = 0x400014724382a74dull;
constexpr uint64_t kShowSound = 0x3d1316e1f5ad024dull;
constexpr uint64_t kShowTimeline = 0x47eaf602ef991a53ull;
}  // namespace

TEST(Program, CaptureIsFrameExactAndRepeatable) {
    const fs::path first = Scratch("capture_a"), second = Scratch("capture_b");
    const std::string flags = " --size 96x72 --fps 4";
    ProgramRun a = RunProgram("--capture " + first.string() + flags);
    ASSERT_EQ(a.code, 0) << a.err;
    ProgramRun b = RunProgram("--capture " + second.string() + flags);
    ASSERT_EQ(b.code, 0) << b.err;
    const int frames = CountPngs(first);
    EXPECT_GE(frames, 23);
    ASSERT_EQ(frames, CountPngs(second));
    for (const auto& entry : fs::directory_iterator(first)) {
        const fs::path other = second / entry.path().filename();
        ASSERT_TRUE(fs::exists(other)) << other;
        ASSERT_EQ(ReadFile(entry.path()), ReadFile(other)) << entry.path().filename();
    }
    const Picture p = ReadPng(first / "frame_000000.png");
    EXPECT_EQ(p.width, 96);
    EXPECT_EQ(p.height, 72);

    // The show itself, pinned: every frame's pixels, the mix and the timeline of this small
    // capture (Linux, Mesa's software GL). Two runs agreeing says nothing when both drift
    // alike (a changed seed, draw order or effect); these figures change only in the commit
    // that changes the show on purpose, which records the new ones printed below.
    uint64_t pictures = kFnvStart;
    for (int i = 0; i < frames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", i);
        const Picture frame = ReadPng(first / name);
        ASSERT_FALSE(frame.rgb.empty()) << name;
        pictures = Fnv(pictures, frame.rgb.data(), frame.rgb.size());
    }
    const std::string sound = ReadFile(first / "sound.wav"), timeline = ReadFile(first / "timeline.txt");
    const uint64_t mix = Fnv(kFnvStart, sound.data(), sound.size());
    const uint64_t music = Fnv(kFnvStart, timeline.data(), timeline.size());
    std::printf("show: %d frames, pictures 0x%016llx, sound 0x%016llx, timeline 0x%016llx\n", frames,
                static_cast<unsigned long long>(pictures), static_cast<unsigned long long>(mix),
                static_cast<unsigned long long>(music));
    EXPECT_EQ(frames, kShowFrames);
    const char* display = std::getenv("DISPLAY");
    EXPECT_EQ(pictures, display && *display ? kShowPictures : kShowPicturesOffscreen)
        << "the show's pictures changed";
    EXPECT_EQ(mix, kShowSound) << "the show's sound changed";
    EXPECT_EQ(music, kShowTimeline) << "the show's timeline changed";
}

TEST(Program, CaptureIntoAFileIsRefused) {
    const fs::path dir = Scratch("not_a_folder");
    std::ofstream(dir / "file") << "x";
    ProgramRun run = RunProgram("--capture " + (dir / "file").string());
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("cannot create the capture folder"), std::string::npos) << run.err;
}

// A jump to the closing: everything loads, the music moves on to the end of the brain's
// part, and the show ends as a full run ends; the frame report names only the parts shown.
TEST(Program, StartJumpsToThePartsMusic) {
    const fs::path dir = Scratch("start_closing");
    ProgramRun run = RunProgram("--capture " + dir.string() + " --size 96x72 --fps 10 --start closing");
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<TimelineEntry> timeline = ReadTimeline(dir / "timeline.txt");
    ASSERT_GT(timeline.size(), 23u);
    size_t firstAtJump = 0;
    while (firstAtJump < timeline.size() && timeline[firstAtJump].order != 23) ++firstAtJump;
    ASSERT_LT(firstAtJump, timeline.size()) << "the music never reached order 23";
    EXPECT_LE(firstAtJump, 23u + 2) << "the jump took more than the player's next row";
    EXPECT_EQ(timeline[firstAtJump].row, 0);
    for (size_t i = 23; i < firstAtJump; ++i) EXPECT_EQ(timeline[i].order, 0) << "frame " << i;
    EXPECT_EQ(timeline.back().order, 25);
    // The whole video (12.64 s) and order 24 come before the fade of 7 s.
    EXPECT_GT(timeline.size() - firstAtJump, (12 + 7) * 10u);
    EXPECT_NE(run.out.find("  video "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  closing "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("  title "), std::string::npos) << run.out;
}

namespace {
uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
}
}  // namespace

// A capture that cannot write ends at once with code 1 and one line naming the file and the
// reason, and what it wrote before stays whole. A file size limit (ulimit -f, with its
// signal ignored) stands in for a disk that fills up during the capture.
TEST(Program, CaptureThatCannotWriteStopsAndKeepsWhatItWrote) {
    // 1 MiB: the WAV, 17640 bytes a frame, outgrows it about six seconds in.
    const fs::path dir = Scratch("full_disk");
    ProgramRun run = RunProgram("--capture " + dir.string() + " --size 96x72 --fps 10 --start closing",
                                "ulimit -f 2048; trap '' XFSZ;");
    EXPECT_EQ(run.code, 1) << run.err;
    const std::string wavPath = (dir / "sound.wav").string();
    EXPECT_NE(run.err.find("cannot write " + wavPath + " (File too large)\n"), std::string::npos) << run.err;
    const std::string wav = ReadFile(dir / "sound.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);    // RIFF size
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44);  // data size: every sample on disk is counted
    EXPECT_EQ((wav.size() - 44) % 17640, 0u);   // whole frames only
    EXPECT_GT(wav.size() - 44, 17640u * 30);
    const int pngs = CountPngs(dir);
    EXPECT_GE(static_cast<size_t>(pngs), (wav.size() - 44) / 17640);
    for (int i = 0; i < pngs; ++i) EXPECT_EQ(ReadPng(dir / FramePath(i)).width, 96) << FramePath(i);

    // 512 bytes: the first picture cannot be written; no half picture is left behind.
    const fs::path small = Scratch("no_room");
    run = RunProgram("--capture " + small.string() + " --size 640x480 --fps 10", "ulimit -f 1; trap '' XFSZ;");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("capture: cannot write " + (small / "frame_000000.png").string() + ": File too large\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(CountPngs(small), 0);

    // An encoder that dies at once: the capture into a video fails with one line and code 1.
    const fs::path bin = Scratch("dying_ffmpeg");
    {
        std::ofstream script(bin / "ffmpeg");
        script << "#!/bin/sh\nexit 3\n";
    }
    fs::permissions(bin / "ffmpeg", fs::perms::owner_all);
    const fs::path video = Scratch("dying_video") / "show.mkv";
    run = RunProgram("--capture " + video.string() + " --size 96x72 --fps 10 --start closing",
                     "env PATH=" + bin.string() + ":/usr/bin:/bin");
    EXPECT_EQ(run.code, 1) << run.err;
    const size_t line = run.err.find("capture: ffmpeg ");
    ASSERT_NE(line, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("capture: ", line + 1), std::string::npos) << run.err;
}

namespace {
// The closing in real time after a jump, with every thread of a watched show running at
// once: the main thread types the text (a beep per character) while the output mixes on
// its own thread, the audio device's callback and the streaming thread (SDL's dummy driver
// asks for sound at a real device's pace) or, with "No Sound", the render thread's timer.
// Under ThreadSanitizer these runs show that the main thread's requests reach the voices,
// the channels and the position only through the mixer's lock.
void ExpectRealTimeClosing(const std::string& sound) {
    const auto begin = std::chrono::steady_clock::now();
    ProgramRun run = RunProgram("--no-setup --headless --windowed --mode 160x120x32 --rate 22050 --start closing "
                                "--sound " + sound,
                                "env SDL_AUDIODRIVER=dummy");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err.find("ThreadSanitizer"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Error"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("  closing "), std::string::npos) << run.out;
    // The music set the pace: the long video and the closing's fade take 19 s at least.
    EXPECT_GE(seconds, 19.0);
}
}  // namespace

TEST(RealTimeShow, ClosingWithASoundDevice) { ExpectRealTimeClosing("1"); }

TEST(RealTimeShow, ClosingWithNoSound) { ExpectRealTimeClosing("none"); }

namespace {
bool HaveCommand(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}
}  // namespace

// The video capture carries the same pictures' count and exactly the same mix as a folder
// capture with the same flags (Matroska keeps the audio losslessly), so sound and
// pictures are in step from the first frame.
TEST(Program, CaptureIntoAVideoHoldsTheFramesAndTheExactMix) {
    if (!HaveCommand("ffmpeg") || !HaveCommand("ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
    const fs::path folder = Scratch("video_folder"), videoDir = Scratch("video_file");
    const std::string flags = " --size 96x72 --fps 10 --start closing";
    ASSERT_EQ(RunProgram("--capture " + folder.string() + flags).code, 0);
    const fs::path video = videoDir / "sub" / "show.mkv";
    ProgramRun run = RunProgram("--capture " + video.string() + flags);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("capture: wrote " + video.string()), std::string::npos) << run.err;
    const size_t frames = static_cast<size_t>(CountPngs(folder));

    const std::string counted = CommandOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                              "stream=nb_read_frames,width,height -of csv=p=0 " +
                                              video.string());
    EXPECT_EQ(counted, "96,72," + std::to_string(frames) + "\n");

    const fs::path pcm = videoDir / "audio.raw";
    ASSERT_EQ(std::system(("ffmpeg -v error -y -i " + video.string() + " -f s16le -c:a pcm_s16le " + pcm.string())
                              .c_str()),
              0);
    const std::string wav = ReadFile(folder / "sound.wav");
    ASSERT_GT(wav.size(), 44u);
    const std::string mixed = ReadFile(pcm);
    EXPECT_EQ(mixed.size(), wav.size() - 44);
    EXPECT_TRUE(mixed == wav.substr(44)) << "the video's audio differs from the mix";
}

TEST(Program, CaptureIntoAVideoWithoutFfmpegSaysSo) {
    const fs::path dir = Scratch("no_ffmpeg");
    ProgramRun run = RunProgram("--capture " + (dir / "show.mp4").string(), "env PATH=" + dir.string());
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("needs the ffmpeg command"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "show.mp4"));
}
