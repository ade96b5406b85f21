// The program as a user runs it: flags, exit codes, the boxes it prints headless, and
// the capture mode's frames.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include <algorithm>
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
    ProgramRun version = RunProgram("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("umbravel ", 0), 0u);
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
    double Mean(int channel) const {
        double sum = 0;
        for (size_t i = static_cast<size_t>(channel); i < rgb.size(); i += 3) sum += rgb[i];
        return sum / static_cast<double>(rgb.size() / 3);
    }
    int Max() const { return rgb.empty() ? 0 : *std::max_element(rgb.begin(), rgb.end()); }
    // Pixels within `tolerance` of the colour.
    int Count(int r, int g, int b, int tolerance) const {
        int n = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            n += std::abs(rgb[i] - r) <= tolerance && std::abs(rgb[i + 1] - g) <= tolerance &&
                 std::abs(rgb[i + 2] - b) <= tolerance;
        return n;
    }
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

struct TimelineEntry {
    int order, row, playing;
};

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
}  // namespace

// The whole show, captured headless at a small size: the loading screen, every section in
// its stretch of the music, the audio as long as the pictures, and nothing left blank.
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

    // The music only moves forward and the show ends seven seconds into order 25.
    size_t loading = 0, inLastOrder = 0;
    for (size_t i = 0; i < frames; ++i) {
        if (!timeline[i].playing) ++loading;
        if (timeline[i].order == 25) ++inLastOrder;
        if (i > 0 && timeline[i - 1].playing && timeline[i].playing) {
            const bool forward = timeline[i].order > timeline[i - 1].order ||
                                 (timeline[i].order == timeline[i - 1].order && timeline[i].row >= timeline[i - 1].row);
            ASSERT_TRUE(forward) << "frame " << i;
        }
    }
    EXPECT_EQ(timeline.back().order, 25);
    EXPECT_GE(inLastOrder, 7u * fps);
    EXPECT_LE(inLastOrder, 8u * fps);

    // Loading: one frame at the start and one per step, the bar growing in the picture.
    EXPECT_EQ(loading, 23u);
    // The bar's colour (190, 150, 210) as the lit overlay shows it.
    std::vector<int> bar;
    for (size_t i = 0; i < 23; ++i) bar.push_back(ReadPng(dir / FramePath(i)).Count(153, 120, 169, 16));
    for (size_t i = 1; i < 23; ++i) EXPECT_GE(bar[i], bar[i - 1]) << "the bar shrank at step " << i;
    EXPECT_GT(bar[22], 10 * bar[1]);
    EXPECT_GT(bar[11], 4 * bar[1]);
    EXPECT_LT(bar[11], bar[22] * 6 / 10);

    // Each stretch shows its section: the title's white text, the heart's red, the
    // closing's violet web; and no frame of the show is blank but a handful of dark
    // moments (the logo switched off, the end of the fade).
    double titleWhite = 0, heartRed = 0, heartBlue = 0, closingBlue = 0, closingGreen = 0;
    size_t blank = 0;
    for (size_t i = 23; i < frames; ++i) {
        const Picture p = ReadPng(dir / FramePath(i));
        ASSERT_EQ(p.width, 160) << FramePath(i);
        const TimelineEntry& t = timeline[i];
        if (p.Max() < 12) ++blank;
        if (t.order == 0 && t.row > 40 && t.row < 128) titleWhite += p.Count(180, 180, 180, 75);
        if (t.order >= 3 && t.order <= 8) heartRed += p.Mean(0), heartBlue += p.Mean(2);
        if (t.order == 24) closingBlue += p.Mean(2), closingGreen += p.Mean(1);
    }
    EXPECT_GT(titleWhite, 0) << "no typed title";
    EXPECT_GT(heartRed, 1.5 * heartBlue) << "the heart's stretch is not red";
    EXPECT_GT(closingBlue, 1.2 * closingGreen) << "the closing's stretch is not violet";
    EXPECT_LT(blank, frames / 50) << blank << " blank frames";
}

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
