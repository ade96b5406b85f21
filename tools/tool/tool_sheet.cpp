// tool_sheet.cpp -- umbravel-tool sheet: one picture of a captured show. A frame every few
// seconds, scaled to a tile, in a grid; under each tile the frame's time and where the
// music stood when it was drawn ("loading" before the music started).
//
// The capture folder's own files say everything needed: timeline.txt has one line a
// frame, and sound.wav holds exactly that many frames' share of the music, from which
// the frame rate follows.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "image.h"
#include "png_file.h"
#include "tool.h"
#include "typeface.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMargin = 8;         // around the sheet and between tiles
constexpr int kLabelPixels = 14;   // the terminal face's bitmap strike, 8 pixels a character
constexpr int kNarrowestTile = 64; // labels on two lines of up to 8 characters still fit
constexpr int kLargestSheet = 16384;
constexpr uint8_t kBackground = 24;
constexpr uint8_t kTimeInk[3] = {235, 235, 235};
constexpr uint8_t kPositionInk[3] = {250, 210, 120};
constexpr uint8_t kLoadingInk[3] = {150, 150, 160};

struct TimelineEntry {
    int order = -1;
    int row = -1;
    bool playing = false;
};

// timeline.txt: "frame order row playing" a line, frames numbered from 0 without gaps.
bool ReadTimeline(const fs::path& path, std::vector<TimelineEntry>& entries, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open " + path.string();
        return false;
    }
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        std::istringstream fields(line);
        long long frame = 0;
        TimelineEntry e;
        int playing = 0;
        std::string rest;
        if (!(fields >> frame >> e.order >> e.row >> playing) || (fields >> rest) || (playing != 0 && playing != 1) ||
            frame != static_cast<long long>(entries.size())) {
            error = path.string() + " line " + std::to_string(number) + ": expected \"" +
                    std::to_string(entries.size()) + " ORDER ROW PLAYING\", found \"" + line + "\"";
            return false;
        }
        e.playing = playing == 1;
        entries.push_back(e);
    }
    if (entries.empty()) {
        error = path.string() + " lists no frames";
        return false;
    }
    return true;
}

struct WavLength {
    uint32_t rate = 0;
    uint64_t sampleFrames = 0;
};

uint32_t Le(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// The sample rate and the number of sample frames of a PCM WAV file.
bool ReadWavLength(const fs::path& path, WavLength& wav, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path.string();
        return false;
    }
    in.seekg(0, std::ios::end);
    const uint64_t fileSize = static_cast<uint64_t>(in.tellg());
    in.seekg(0);
    uint8_t riff[12];
    if (!in.read(reinterpret_cast<char*>(riff), 12) || std::string(riff, riff + 4) != "RIFF" ||
        std::string(riff + 8, riff + 12) != "WAVE") {
        error = path.string() + " is not a WAV file";
        return false;
    }
    uint32_t blockAlign = 0;
    for (uint64_t at = 12;;) {
        uint8_t header[8];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(header), 8)) {
            error = path.string() + (blockAlign ? " has no data chunk" : " has no format chunk");
            return false;
        }
        const std::string id(header, header + 4);
        const uint32_t size = Le(header + 4, 4);
        if (id == "fmt ") {
            uint8_t fmt[16];
            if (size < 16 || !in.read(reinterpret_cast<char*>(fmt), 16) || Le(fmt, 2) != 1) {
                error = path.string() + " is not plain PCM";
                return false;
            }
            wav.rate = Le(fmt + 4, 4);
            blockAlign = Le(fmt + 12, 2);
            if (wav.rate == 0 || blockAlign == 0) {
                error = path.string() + " has a format chunk with no rate or no sample size";
                return false;
            }
        } else if (id == "data") {
            if (!blockAlign) {
                error = path.string() + " has its data before its format chunk";
                return false;
            }
            // An interrupted capture may leave the header ahead of the bytes written.
            const uint64_t bytes = std::min<uint64_t>(size, fileSize - (at + 8));
            wav.sampleFrames = bytes / blockAlign;
            return true;
        }
        at += 8 + size + (size & 1);
    }
}

// The capture gives frame i the sample frames from i*rate/fps to (i+1)*rate/fps (whole
// numbers, rounded down), so n frames hold exactly n*rate/fps of them, rounded down. The
// frame rate is the whole number for which that holds.
bool DeriveFps(uint64_t frames, const WavLength& wav, int& fps, std::string& error) {
    const uint64_t total = frames * wav.rate;
    const std::string what = "sound.wav's " + std::to_string(wav.sampleFrames) + " sample frames at " +
                             std::to_string(wav.rate) + " Hz for " + std::to_string(frames) + " frames";
    if (wav.sampleFrames == 0) {
        error = "sound.wav holds no sound, so the frame rate is unknown";
        return false;
    }
    const uint64_t lowest = total / (wav.sampleFrames + 1) + 1, highest = total / wav.sampleFrames;
    if (lowest > highest || highest > 100000) {
        error = what + " fit no whole frame rate: the capture is incomplete or not one capture";
        return false;
    }
    if (lowest != highest) {
        error = what + " fit every frame rate from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                "; the capture is too short to tell";
        return false;
    }
    fps = static_cast<int>(highest);
    return true;
}

// m:ss.s, to the nearest tenth of a second.
std::string TimeLabel(uint64_t frame, int fps) {
    const uint64_t tenths = (frame * 20 + static_cast<uint64_t>(fps)) / (2 * static_cast<uint64_t>(fps));
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02llu.%llu", static_cast<unsigned long long>(tenths / 600),
                  static_cast<unsigned long long>(tenths / 10 % 60), static_cast<unsigned long long>(tenths % 10));
    return text;
}

// order:row, the row in two digits as a tracker shows it.
std::string PositionLabel(const TimelineEntry& e) {
    if (!e.playing) return "loading";
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", e.order, e.row);
    return text;
}

bool ParseNumber(const char* text, double lowest, double highest, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == 0 && std::isfinite(value) && value >= lowest && value <= highest;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: umbravel-tool sheet CAPTURE_DIR OUT.png [--every SECONDS] [--columns N] [--width PIXELS]\n"
                 "  --every SECONDS   time between the frames shown (default 2)\n"
                 "  --columns N       tiles a row, 1..64 (default 8)\n"
                 "  --width PIXELS    tile width, 64..1024 (default 160)\n");
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "sheet: %s\n", message.c_str());
    return 1;
}

struct Tile {
    uint64_t frame = 0;
    forge::Image picture;
    forge::Mask time, position;
    const uint8_t* positionInk = kPositionInk;
};

int MakeSheet(int argc, char** argv) {
    std::vector<const char*> paths;
    double every = 2, columnsValue = 8, widthValue = 160;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--every" || a == "--columns" || a == "--width") {
            double value = 0;
            const bool ok = i + 1 < argc && (a == "--every"     ? ParseNumber(argv[i + 1], 0.001, 1e6, value)
                                             : a == "--columns" ? ParseNumber(argv[i + 1], 1, 64, value)
                                                                : ParseNumber(argv[i + 1], kNarrowestTile, 1024, value));
            if (!ok || (a != "--every" && value != std::floor(value))) {
                std::fprintf(stderr, "sheet: %s needs %s\n", a.c_str(),
                             a == "--every" ? "a positive number of seconds" : "a whole number in range");
                return Usage();
            }
            (a == "--every" ? every : a == "--columns" ? columnsValue : widthValue) = value;
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "sheet: unknown option %s\n", a.c_str());
            return Usage();
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (paths.size() != 2) return Usage();
    const fs::path dir = paths[0];
    const std::string out = paths[1];
    const int columns = static_cast<int>(columnsValue), tileWidth = static_cast<int>(widthValue);
    if (kMargin + columns * (tileWidth + kMargin) > kLargestSheet)
        return Fail("a sheet of " + std::to_string(columns) + " tiles of " + std::to_string(tileWidth) +
                    " pixels would be too wide");

    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return Fail("no capture folder " + dir.string());
    if (!fs::exists(dir / "timeline.txt", ec))
        return Fail(dir.string() + " has no timeline.txt: is it a capture folder?");
    if (!fs::exists(dir / "sound.wav", ec))
        return Fail(dir.string() + " has no sound.wav, from which the frame rate is read");
    std::string error;
    std::vector<TimelineEntry> timeline;
    if (!ReadTimeline(dir / "timeline.txt", timeline, error)) return Fail(error);
    WavLength wav;
    if (!ReadWavLength(dir / "sound.wav", wav, error)) return Fail(error);
    int fps = 0;
    if (!DeriveFps(timeline.size(), wav, fps, error)) return Fail(error);

    // The frame on screen at each multiple of --every (the last one drawn at or before it).
    std::vector<Tile> tiles;
    for (uint64_t k = 0;; ++k) {
        const double at = static_cast<double>(k) * every * fps;
        const uint64_t frame = static_cast<uint64_t>(std::floor(at + 1e-6));
        if (frame >= timeline.size()) break;
        if (!tiles.empty() && tiles.back().frame == frame) continue;
        tiles.push_back({});
        tiles.back().frame = frame;
    }

    const int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
    int tileHeight = 0;
    forge::Typeface face(forge::TerminalFontPath(), kLabelPixels, true);
    const int lineHeight = face.Ascender() + face.Descender();
    bool oneLine = true;
    for (Tile& t : tiles) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06llu.png", static_cast<unsigned long long>(t.frame));
        forge::Image frame;
        if (!forge::ReadPng((dir / name).string(), frame, &error))
            return Fail("cannot read " + (dir / name).string() + ": " + error);
        if (tileHeight == 0) {
            tileHeight = std::max(1, static_cast<int>(std::lround(double(tileWidth) * frame.height / frame.width)));
            const long long sheetHeight = kMargin + static_cast<long long>(rows) * (tileHeight + 2 * lineHeight + 2 + kMargin);
            if (sheetHeight > kLargestSheet)
                return Fail("a sheet of " + std::to_string(tiles.size()) + " tiles would be too tall: " +
                            "take a larger --every, a smaller --width or more --columns");
        }
        t.picture = forge::Downscale(frame, tileWidth, tileHeight);
        const TimelineEntry& e = timeline[t.frame];
        t.time = face.Line(TimeLabel(t.frame, fps));
        t.position = face.Line(PositionLabel(e));
        t.positionInk = e.playing ? kPositionInk : kLoadingInk;
        // Line() pads two pixels each side; at least one character's room between the two.
        if (t.time.width + t.position.width - 8 + kLabelPixels / 2 > tileWidth) oneLine = false;
    }

    const int labelHeight = (oneLine ? 1 : 2) * lineHeight + 2;
    const int pitchX = tileWidth + kMargin, pitchY = tileHeight + labelHeight + kMargin;
    forge::Image sheet(kMargin + columns * pitchX, kMargin + rows * pitchY);
    std::fill(sheet.rgb.begin(), sheet.rgb.end(), kBackground);
    for (size_t i = 0; i < tiles.size(); ++i) {
        const Tile& t = tiles[i];
        const int x = kMargin + static_cast<int>(i) % columns * pitchX;
        const int y = kMargin + static_cast<int>(i) / columns * pitchY;
        forge::Blit(sheet, t.picture, x, y);
        const int labelY = y + tileHeight + 1;
        forge::StampLabel(sheet, t.time, x - 2, labelY, kTimeInk);
        if (oneLine)
            forge::StampLabel(sheet, t.position, x + tileWidth - t.position.width + 2, labelY, t.positionInk);
        else
            forge::StampLabel(sheet, t.position, x - 2, labelY + lineHeight, t.positionInk);
    }
    if (!forge::WritePng(out, sheet)) return Fail("cannot write " + out);
    std::printf("sheet: %zu of %zu frames (%d fps, %s) in %dx%d -> %s\n", tiles.size(), timeline.size(), fps,
                TimeLabel(timeline.size(), fps).c_str(), sheet.width, sheet.height, out.c_str());
    return 0;
}

int RunSheet(int argc, char** argv) {
    try {
        return MakeSheet(argc, argv);
    } catch (const std::exception& e) {  // the label font missing or unreadable
        return Fail(e.what());
    }
}

const ToolCommand kSheet("sheet", "DIR OUT.png [--every S] [--columns N] [--width PX]  contact sheet of a capture",
                         RunSheet);

}  // namespace
