// The capture's progress on standard error: one line rewritten in place on a terminal, a
// line every tenth of the show elsewhere, and the line that says what was written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "shell/capture_progress.h"

namespace {
std::string ReadBack(FILE* f) {
    std::string text;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
    return text;
}

// A four-minute show captured at 30 frames a second, twice as fast as real time.
CaptureProgressFigures At(uint64_t frame) {
    CaptureProgressFigures f;
    f.frames = frame;
    f.showSeconds = frame / 30.0;
    f.showLength = 240.0;
    f.realSeconds = f.showSeconds / 2;
    return f;
}
}  // namespace

TEST(CaptureProgress, LineShowsTimeBarFramesRateAndTimeLeft) {
    EXPECT_EQ(FormatCaptureProgress(At(1800), 10), "1:00.0 / 4:00.0 [##........]   1800 frames  60.0 fps 1:30 left");
    CaptureProgressFigures unknown = At(0);
    unknown.showLength = 0;
    EXPECT_EQ(FormatCaptureProgress(unknown, 4), "0:00.0 / ? [....]      0 frames   0.0 fps ? left");
}

TEST(CaptureProgress, TerminalRewritesOneLineThenEndsIt) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    CaptureProgress progress(f, true);
    for (uint64_t frame = 1; frame <= 7200; ++frame) progress.Frame(At(frame));
    progress.Finish("capture: wrote show: 7200 frames");
    const std::string text = ReadBack(f);
    std::fclose(f);
    // A rewrite at most four times a second of real time: 120 s give about 480.
    const size_t rewrites = static_cast<size_t>(std::count(text.begin(), text.end(), '\r'));
    EXPECT_GE(rewrites, 400u);
    EXPECT_LE(rewrites, 481u);
    // One line in all, ended before the result line.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_NE(text.find("4:00.0 / 4:00.0 [##############################]"), std::string::npos);
    EXPECT_NE(text.find("\ncapture: wrote show: 7200 frames\n"), std::string::npos);
}

TEST(CaptureProgress, ElsewhereALineEveryTenth) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    CaptureProgress progress(f, false);
    for (uint64_t frame = 1; frame <= 7200; ++frame) progress.Frame(At(frame));
    progress.Finish(CaptureFolderResult("out", 7200, 30));
    const std::string text = ReadBack(f);
    std::fclose(f);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_EQ(text.rfind("capture  10% 0:24.0 / 4:00.0", 0), 0u) << text;
    EXPECT_NE(text.find("\ncapture 100% 4:00.0 / 4:00.0"), std::string::npos);
    EXPECT_NE(text.find("capture: wrote out: 7200 frames (frame_000000.png to frame_007199.png), 240.0 seconds, "
                        "sound.wav and timeline.txt\n"),
              std::string::npos);
}
