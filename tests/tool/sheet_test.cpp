// umbravel-tool sheet on small made-up captures: which frames it picks, where their tiles
// land, and how it refuses folders it cannot read.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "png_file.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int code = -1;
    std::string output;  // both streams
};

fs::path Scratch(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("umbravel_sheet_test_" + std::to_string(getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

ToolRun RunSheet(const std::string& args) {
    static int runs = 0;
    const fs::path streams = Scratch("streams" + std::to_string(runs++)) / "out";
    const std::string command = std::string(UMBRAVEL_TOOL) + " sheet " + args + " >" + streams.string() + " 2>&1";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(streams);
    std::ostringstream s;
    s << in.rdbuf();
    run.output = s.str();
    fs::remove_all(streams.parent_path());
    return run;
}

// A solid colour per frame (up to 64 frames), far from grey so that no label or
// background pixel matches.
void FrameColour(int frame, uint8_t rgb[3]) {
    rgb[0] = static_cast<uint8_t>(4 * frame);
    rgb[1] = static_cast<uint8_t>(255 - 4 * frame);
    rgb[2] = 10;
}

struct CaptureShape {
    int fps;
    int rate;
    int channels;
    int bits;
    bool extraChunk;  // a chunk between the format and the data, as other writers leave
};

void PrintTo(const CaptureShape& s, std::ostream* os) {
    *os << s.fps << " fps, " << s.rate << " Hz, " << s.channels << "x" << s.bits << " bits"
        << (s.extraChunk ? ", extra chunk" : "");
}

void Put(std::vector<uint8_t>& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void WriteWav(const fs::path& path, const CaptureShape& shape, uint64_t sampleFrames) {
    const uint32_t align = static_cast<uint32_t>(shape.channels * shape.bits / 8);
    const uint32_t data = static_cast<uint32_t>(sampleFrames * align);
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    Put(b, 36 + data + (shape.extraChunk ? 14 : 0), 4);
    for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<uint8_t>(c));
    Put(b, 16, 4);
    Put(b, 1, 2);
    Put(b, static_cast<uint32_t>(shape.channels), 2);
    Put(b, static_cast<uint32_t>(shape.rate), 4);
    Put(b, static_cast<uint32_t>(shape.rate) * align, 4);
    Put(b, align, 2);
    Put(b, static_cast<uint32_t>(shape.bits), 2);
    if (shape.extraChunk) {
        for (char c : std::string("LIST")) b.push_back(static_cast<uint8_t>(c));
        Put(b, 5, 4);  // odd: padded to 6
        b.insert(b.end(), 6, 'x');
    }
    for (char c : std::string("data")) b.push_back(static_cast<uint8_t>(c));
    Put(b, data, 4);
    b.insert(b.end(), data, shape.bits == 8 ? 0x80 : 0);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::string FrameName(int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", frame);
    return name;
}

constexpr int kFrameWidth = 32, kFrameHeight = 24;

// `frames` frames, the first `loading` of them before the music; the sound holds exactly
// the capture's share of samples for each frame.
fs::path MakeCapture(const std::string& name, const CaptureShape& shape, int frames, int loading) {
    const fs::path dir = Scratch(name);
    std::ofstream timeline(dir / "timeline.txt");
    for (int i = 0; i < frames; ++i) {
        forge::Image picture(kFrameWidth, kFrameHeight);
        for (int p = 0; p < kFrameWidth * kFrameHeight; ++p) FrameColour(i, &picture.rgb[static_cast<size_t>(p) * 3]);
        EXPECT_TRUE(forge::WritePng((dir / FrameName(i)).string(), picture));
        if (i < loading) timeline << i << " -1 -1 0\n";
        else timeline << i << " " << (i - loading) / 4 << " " << (i - loading) % 4 * 16 << " 1\n";
    }
    WriteWav(dir / "sound.wav", shape, static_cast<uint64_t>(frames) * shape.rate / shape.fps);
    return dir;
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

Box FindColour(const forge::Image& sheet, const uint8_t rgb[3]) {
    Box box;
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x)
            if (std::equal(rgb, rgb + 3, sheet.At(x, y))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    return box;
}

// Pixels in the rectangle that differ from the sheet's top-left pixel (its background).
int Marks(const forge::Image& sheet, int left, int top, int width, int height) {
    int marks = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) marks += !std::equal(sheet.At(0, 0), sheet.At(0, 0) + 3, sheet.At(x, y));
    return marks;
}

class SheetLayout : public ::testing::TestWithParam<CaptureShape> {};

// Every half second of a two-second capture, two tiles a row, tiles twice the frames'
// size. The frame rate comes only from the sound, so a wrong one picks other frames.
TEST_P(SheetLayout, ShowsTheFrameAtEachStepInTimeOrder) {
    const CaptureShape shape = GetParam();
    const int frames = 2 * shape.fps + 1;
    const fs::path dir = MakeCapture("layout" + std::to_string(shape.fps), shape, frames, 3);
    const fs::path out = dir / "sheet.png";
    const ToolRun run = RunSheet(dir.string() + " " + out.string() + " --every 0.5 --columns 2 --width 64");
    ASSERT_EQ(run.code, 0) << run.output;
    forge::Image sheet;
    std::string error;
    ASSERT_TRUE(forge::ReadPng(out.string(), sheet, &error)) << error;

    std::vector<int> shown;
    for (int k = 0; k * shape.fps / 2 < frames; ++k) shown.push_back(k * shape.fps / 2);
    const int tileWidth = 64, tileHeight = 48, columns = 2;
    const int rows = (static_cast<int>(shown.size()) + columns - 1) / columns;
    std::vector<Box> boxes;
    for (int f = 0; f < frames; ++f) {
        uint8_t rgb[3];
        FrameColour(f, rgb);
        const Box box = FindColour(sheet, rgb);
        if (std::find(shown.begin(), shown.end(), f) == shown.end()) {
            EXPECT_EQ(box.count, 0) << "frame " << f << " is not due on the sheet";
            continue;
        }
        ASSERT_EQ(box.count, tileWidth * tileHeight) << "frame " << f;
        EXPECT_EQ(box.Width(), tileWidth) << "frame " << f;
        EXPECT_EQ(box.Height(), tileHeight) << "frame " << f;
        boxes.push_back(box);
    }
    ASSERT_EQ(boxes.size(), shown.size());

    // Row by row, left to right, one margin around the sheet and between the tiles; the
    // labels take the room between a tile and the row below.
    const int margin = boxes[0].left;
    EXPECT_GT(margin, 0);
    EXPECT_EQ(boxes[0].top, margin);
    ASSERT_GT(boxes.size(), 2u);
    const int pitchY = boxes[2].top - boxes[0].top;
    EXPECT_GE(pitchY, tileHeight + margin + 10);
    for (size_t i = 0; i < boxes.size(); ++i) {
        const int column = static_cast<int>(i) % columns, row = static_cast<int>(i) / columns;
        EXPECT_EQ(boxes[i].left, margin + column * (tileWidth + margin)) << "tile " << i;
        EXPECT_EQ(boxes[i].top, margin + row * pitchY) << "tile " << i;
        EXPECT_GT(Marks(sheet, boxes[i].left, boxes[i].bottom + 1, tileWidth, pitchY - tileHeight - margin), 20)
            << "no label under tile " << i;
    }
    EXPECT_EQ(sheet.width, margin + columns * (tileWidth + margin));
    EXPECT_EQ(sheet.height, margin + rows * pitchY);
    // Beyond the last tile the sheet is empty.
    if (shown.size() % columns) {
        EXPECT_EQ(Marks(sheet, margin + tileWidth + margin, margin + (rows - 1) * pitchY, tileWidth, pitchY - margin), 0);
    }
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Captures, SheetLayout,
                         ::testing::Values(CaptureShape{12, 11025, 1, 8, false},   // rate/fps not whole
                                           CaptureShape{30, 22050, 2, 16, true}),  // 4-byte frames, extra chunk
                         [](const auto& info) { return "Fps" + std::to_string(info.param.fps); });

// Folders that are no capture, or a damaged one: a reason on standard error, exit code 1
// (2 for a wrong command line), and no sheet.
TEST(SheetRefusals, SayWhatIsWrong) {
    const CaptureShape shape{25, 8000, 1, 8, false};
    const fs::path base = Scratch("refusals");
    const fs::path out = base / "sheet.png";
    struct Case {
        const char* name;
        void (*damage)(const fs::path& dir);
        const char* args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {"no folder", [](const fs::path& dir) { fs::remove_all(dir); }, "", 1, "no capture folder"},
        {"no timeline", [](const fs::path& dir) { fs::remove(dir / "timeline.txt"); }, "", 1, "no timeline.txt"},
        {"no sound", [](const fs::path& dir) { fs::remove(dir / "sound.wav"); }, "", 1, "no sound.wav"},
        {"broken timeline",
         [](const fs::path& dir) { std::ofstream(dir / "timeline.txt") << "0 -1 -1 0\n1 -1 -1 0\n5 0 0 1\n"; }, "", 1,
         "line 3"},
        {"sound of another length",
         [](const fs::path& dir) { WriteWav(dir / "sound.wav", {25, 8000, 1, 8, false}, 20 * 320 + 500); }, "", 1,
         "no whole frame rate"},
        {"unreadable frame", [](const fs::path& dir) { std::ofstream(dir / FrameName(10)) << "not a picture"; }, "",
         1, "frame_000010.png"},
        {"missing frame", [](const fs::path& dir) { fs::remove(dir / FrameName(15)); }, "", 1, "frame_000015.png"},
        {"no columns", [](const fs::path&) {}, "--columns 0", 2, "--columns"},
        {"step without a value", [](const fs::path&) {}, "--every", 2, "--every"},
        {"unknown flag", [](const fs::path&) {}, "--height 3", 2, "unknown option --height"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = MakeCapture("refused", shape, 20, 2);
        c.damage(dir);
        fs::remove(out);
        const ToolRun run = RunSheet(dir.string() + " " + out.string() + " --every 0.2 " + c.args);
        EXPECT_EQ(run.code, c.code) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(out));
    }
    // The same folder undamaged makes its sheet.
    const fs::path dir = MakeCapture("refused", shape, 20, 2);
    EXPECT_EQ(RunSheet(dir.string() + " " + out.string() + " --every 0.2").code, 0);
    EXPECT_TRUE(fs::exists(out));
    fs::remove_all(dir);
    fs::remove_all(base);
}

}  // namespace
