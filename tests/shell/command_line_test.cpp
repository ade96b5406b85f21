// The program's flags: values, refusals and what capture implies.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/command_line.h"

namespace {
bool Parse(std::initializer_list<const char*> args, CommandLine* out, std::string* error = nullptr) {
    std::vector<char*> argv{const_cast<char*>("umbravel")};
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    std::string ignored;
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, error ? error : &ignored);
}
}  // namespace

TEST(CommandLine, CaptureImpliesHeadlessAndNoSetup) {
    CommandLine c;
    ASSERT_TRUE(Parse({"--capture", "out", "--fps", "25", "--size", "320x240"}, &c));
    EXPECT_TRUE(c.platform.capture);
    EXPECT_TRUE(c.platform.headless);
    EXPECT_TRUE(c.noSetup);
    EXPECT_EQ(c.platform.captureDir, "out");
    EXPECT_EQ(c.platform.captureFps, 25);
    EXPECT_EQ(c.platform.captureWidth, 320);
    EXPECT_EQ(c.platform.captureHeight, 240);
}

TEST(CommandLine, ModeAndSoundChoices) {
    CommandLine c;
    ASSERT_TRUE(Parse({"--mode", "800x600x16", "--sound", "none", "--sound-format", "0", "--rate", "22050",
                       "--buffer-ms", "300", "--windowed"},
                      &c));
    EXPECT_TRUE(c.modeGiven);
    EXPECT_EQ(c.modeWidth, 800);
    EXPECT_EQ(c.modeBits, 16);
    EXPECT_TRUE(c.soundGiven);
    EXPECT_EQ(c.soundDevice, 0);
    EXPECT_EQ(c.soundFormat, 0);
    EXPECT_EQ(c.mixingRate, 22050);
    EXPECT_EQ(c.bufferMs, 300);
    EXPECT_TRUE(c.platform.windowed);
}

TEST(CommandLine, BadValuesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad{
        {"--frobnicate"},         {"--mode"},           {"--mode", "800x600"},  {"--mode", "800x600x8"},
        {"--mode", "8x6x32"},     {"--fps", "0"},       {"--fps", "30fps"},     {"--size", "640"},
        {"--capture"},            {"--rate", "48000"},  {"--buffer-ms", "250"}, {"--sound-format", "1"},
        {"--sound", "loud"},      {"--size", "99999x2"},  {"--start"},          {"--start", "Title"},
        {"--start", "credits"},   {"--sync"},           {"--sync", "late"}};
    for (const auto& args : bad) {
        CommandLine c;
        std::string error;
        std::vector<char*> argv{const_cast<char*>("umbravel")};
        for (const char* a : args) argv.push_back(const_cast<char*>(a));
        EXPECT_FALSE(ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &c, &error)) << args[0];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(CommandLine, StartNamesEveryPartInShowOrder) {
    CommandLine c;
    ASSERT_TRUE(Parse({}, &c));
    EXPECT_EQ(c.start, kStartTitle);
    for (int s = 0; s < kStartCount; ++s) {
        ASSERT_TRUE(Parse({"--start", kStartNames[s]}, &c)) << kStartNames[s];
        EXPECT_EQ(c.start, s);
    }
    EXPECT_EQ(std::string(kStartNames[kStartClosing]), "closing");
    // A video file is a capture target like a folder; the file's own checks come at start-up.
    ASSERT_TRUE(Parse({"--capture", "show.mkv"}, &c));
    EXPECT_TRUE(c.platform.capture);
    EXPECT_EQ(c.platform.captureDir, "show.mkv");
}

TEST(CommandLine, SyncFollowsTheHeardSoundUnlessMixedIsAsked) {
    CommandLine c;
    ASSERT_TRUE(Parse({}, &c));
    EXPECT_FALSE(c.syncMixed);
    ASSERT_TRUE(Parse({"--sync", "mixed"}, &c));
    EXPECT_TRUE(c.syncMixed);
    CommandLine d;
    ASSERT_TRUE(Parse({"--sync", "heard"}, &d));
    EXPECT_FALSE(d.syncMixed);
}
