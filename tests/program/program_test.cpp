// The program as a user runs it: flags, exit codes, the boxes it prints headless, and
// the capture mode's frames.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
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

TEST(Program, CaptureIsFrameExactAndRepeatable) {
    const fs::path first = Scratch("capture_a"), second = Scratch("capture_b");
    ProgramRun a = RunProgram("--capture " + first.string() + " --size 160x120 --fps 25");
    ASSERT_EQ(a.code, 0) << a.err;
    // The show ends with the profiling box, printed because the run is headless.
    EXPECT_NE(a.err.find("Vorn Umbravel Demo Profiling: Profiling Results:\nFPS = "), std::string::npos) << a.err;
    EXPECT_EQ(a.err.find("Error"), std::string::npos) << a.err;
    ProgramRun b = RunProgram("--capture " + second.string() + " --size 160x120 --fps 25");
    ASSERT_EQ(b.code, 0) << b.err;
    const int frames = CountPngs(first);
    // One frame for the loading screen at its start and one per loading step.
    EXPECT_GE(frames, 23);
    ASSERT_EQ(frames, CountPngs(second));
    for (const auto& entry : fs::directory_iterator(first)) {
        const fs::path other = second / entry.path().filename();
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_EQ(ReadFile(entry.path()), ReadFile(other)) << entry.path().filename();
    }
    // Every frame has the capture size.
    const std::string png = ReadFile(first / "frame_000000.png");
    ASSERT_GE(png.size(), 24u);
    auto be32 = [&](size_t at) {
        return (static_cast<uint8_t>(png[at]) << 24) | (static_cast<uint8_t>(png[at + 1]) << 16) |
               (static_cast<uint8_t>(png[at + 2]) << 8) | static_cast<uint8_t>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), 160u);
    EXPECT_EQ(be32(20), 120u);
}

TEST(Program, CaptureIntoAFileIsRefused) {
    const fs::path dir = Scratch("not_a_folder");
    std::ofstream(dir / "file") << "x";
    ProgramRun run = RunProgram("--capture " + (dir / "file").string());
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("cannot create the capture folder"), std::string::npos) << run.err;
}
