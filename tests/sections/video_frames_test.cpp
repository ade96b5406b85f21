// The video frames: the 16-bit form and its way back, the frame the clock selects, and
// loading from the embedded content: inclusive batches, the same frames on any number of
// threads, the shared generator left alone, and the frames that are refused.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "filestore/filestore.h"
#include "sections/video_frames.h"
#include "shell/random.h"

namespace {
struct RgbaPixel {
    int r, g, b, a;
};

RgbaPixel RoundTrip(uint8_t r, uint8_t g, uint8_t b) {
    const uint16_t packed = PackFramePixel(r, g, b);
    uint8_t out[4];
    UnpackFrame(&packed, 1, out);
    return {out[0], out[1], out[2], out[3]};
}

// A video table of its own, freed at the end of the test.
struct TestVideo {
    std::vector<uint16_t*> table;
    VideoFrames video;
    explicit TestVideo(const char* format, int frames) : table(static_cast<size_t>(frames), nullptr) {
        video.nameFormat = format;
        video.frameCount = frames;
        video.frames = table.data();
    }
    ~TestVideo() {
        for (uint16_t* f : table) std::free(f);
    }
};

// The built-in archive with some positions given other files' bytes.
struct SwappedArchive {
    std::vector<EmbeddedFileEntry> entries;
    std::vector<const uint8_t*> blobs;
    EmbeddedArchive archive;
    SwappedArchive() {
        const EmbeddedArchive& built = CurrentEmbeddedArchive();
        entries.assign(built.entries, built.entries + built.length);
        blobs.assign(built.blobs, built.blobs + built.length);
        archive = {entries.data(), blobs.data(), built.length};
    }
    void GiveBytesOf(const char* from, const char* to) {
        const int32_t f = FindEmbeddedFile(from), t = FindEmbeddedFile(to);
        ASSERT_GT(f, 0) << from;
        ASSERT_GT(t, 0) << to;
        blobs[t] = blobs[f];
        entries[t].size = entries[f].size;
    }
    ~SwappedArchive() { SetEmbeddedArchive(nullptr); }
};
}  // namespace

TEST(VideoFramePixels, KeepSixBitsOfRedAndFiveOfGreenAndBlue) {
    const RgbaPixel white = RoundTrip(255, 255, 255);
    EXPECT_EQ(white.r, 252);
    EXPECT_EQ(white.g, 248);
    EXPECT_EQ(white.b, 248);
    EXPECT_EQ(white.a, 255);
    const RgbaPixel black = RoundTrip(0, 0, 0);
    EXPECT_EQ(black.r + black.g + black.b, 0);
    EXPECT_EQ(black.a, 255);
    // Each channel in its own bits: nothing leaks into a neighbour.
    EXPECT_EQ(PackFramePixel(255, 0, 0), 0x003F);
    EXPECT_EQ(PackFramePixel(0, 255, 0), 0x07C0);
    EXPECT_EQ(PackFramePixel(0, 0, 255), 0xF800);
    const RgbaPixel mixed = RoundTrip(7, 100, 201);
    EXPECT_EQ(mixed.r, 4);
    EXPECT_EQ(mixed.g, 96);
    EXPECT_EQ(mixed.b, 200);
}

TEST(VideoFrameClock, EhCutsAndTheWarLoop) {
    // A cut of frames 50..53 shows each for 40 ms and is over after 160 ms.
    EXPECT_EQ(EhFrameAt(50, 10.0f, 10.0f), 50);
    EXPECT_EQ(EhFrameAt(50, 10.0f, 10.039f), 50);
    EXPECT_EQ(EhFrameAt(50, 10.0f, 10.041f), 51);
    EXPECT_EQ(EhFrameAt(50, 10.0f, 10.159f), 53);
    EXPECT_EQ(EhFrameAt(50, 10.0f, 10.161f), 54);
    // The whole film: 316 frames, frame 315 until 12.64 s.
    EXPECT_EQ(EhFrameAt(0, 0.0f, 12.63f), 315);
    EXPECT_EQ(EhFrameAt(0, 0.0f, 12.65f), 316);
    // 361 frames at 15 a second: frame 0 again at 24.1 s.
    EXPECT_EQ(WarFrameAt(0.0f), 0);
    EXPECT_EQ(WarFrameAt(0.07f), 1);
    EXPECT_EQ(WarFrameAt(24.0f), 360);
    EXPECT_EQ(WarFrameAt(24.1f), 0);
    EXPECT_EQ(WarFrameAt(48.2f), 1);
}

TEST(VideoFrameLoading, ABatchLoadsItsFramesInclusive) {
    TestVideo eh("Video\\EH\\EH%03d.jpg", 316);
    ASSERT_EQ(LoadVideoFrames(eh.video, 0, 49, 2, nullptr), kFramesLoaded);
    for (int i = 0; i < 50; ++i) EXPECT_NE(eh.table[i], nullptr) << i;
    EXPECT_EQ(eh.table[50], nullptr);
    EXPECT_EQ(eh.video.width, 256);
    EXPECT_EQ(eh.video.height, 256);
    EXPECT_EQ(eh.video.pixelCount, 65536);
    // The last batch of each film reaches its last frame.
    ASSERT_EQ(LoadVideoFrames(eh.video, 250, 315, 2, nullptr), kFramesLoaded);
    EXPECT_NE(eh.table[315], nullptr);
    TestVideo war("Video\\War\\War%03d.jpg", 361);
    ASSERT_EQ(LoadVideoFrames(war.video, 320, 360, 2, nullptr), kFramesLoaded);
    EXPECT_NE(war.table[360], nullptr);
    EXPECT_EQ(war.table[319], nullptr);
}

TEST(VideoFrameLoading, ThreadsGiveTheSameFramesAndDrawNoRandomNumbers) {
    TestVideo one("Video\\War\\War%03d.jpg", 361), many("Video\\War\\War%03d.jpg", 361);
    SeedRandom(17);
    ASSERT_EQ(LoadVideoFrames(one.video, 0, 79, 1, nullptr), kFramesLoaded);
    const int32_t afterOne = Random();
    SeedRandom(17);
    ASSERT_EQ(LoadVideoFrames(many.video, 0, 39, 4, nullptr), kFramesLoaded);
    ASSERT_EQ(LoadVideoFrames(many.video, 40, 79, 3, nullptr), kFramesLoaded);
    EXPECT_EQ(Random(), afterOne);
    for (int i = 0; i < 80; ++i)
        ASSERT_EQ(std::memcmp(one.table[i], many.table[i], 65536 * sizeof(uint16_t)), 0) << "frame " << i;
    // Neighbouring frames differ, so a frame stored under the wrong number would show.
    EXPECT_NE(std::memcmp(many.table[0], many.table[1], 65536 * sizeof(uint16_t)), 0);
}

TEST(VideoFrameLoading, FramesDecodedAheadAreThoseOfTheBatches) {
    TestVideo plain("Video\\War\\War%03d.jpg", 361), ahead("Video\\War\\War%03d.jpg", 361);
    SeedRandom(17);
    ASSERT_EQ(LoadVideoFrames(plain.video, 0, 39, 1, nullptr), kFramesLoaded);
    ASSERT_EQ(LoadVideoFrames(plain.video, 40, 79, 1, nullptr), kFramesLoaded);
    const int32_t afterPlain = Random();
    SeedRandom(17);
    PrefetchVideoFrames(ahead.video, 0, 79, 2);
    ASSERT_EQ(LoadVideoFrames(ahead.video, 0, 39, 2, nullptr), kFramesLoaded);
    ASSERT_EQ(LoadVideoFrames(ahead.video, 40, 79, 2, nullptr), kFramesLoaded);
    EXPECT_EQ(Random(), afterPlain);
    for (int i = 0; i < 80; ++i)
        ASSERT_EQ(std::memcmp(plain.table[i], ahead.table[i], 65536 * sizeof(uint16_t)), 0) << "frame " << i;
    EXPECT_EQ(ahead.table[80], nullptr);
    EXPECT_EQ(OpenEmbeddedFileCount(), 0);

    // A refused frame read ahead fails its batch as it would without the reading ahead,
    // and a range past the film's end is loaded as usual from the missing file on.
    SwappedArchive swapped;
    swapped.GiveBytesOf("Files\\LogoW1.tga", "Files\\Video\\EH\\EH105.jpg");
    SetEmbeddedArchive(&swapped.archive);
    TestVideo eh("Video\\EH\\EH%03d.jpg", 320);
    PrefetchVideoFrames(eh.video, 100, 319, 2);
    int failed = -1;
    ASSERT_EQ(LoadVideoFrames(eh.video, 100, 104, 2, nullptr), kFramesLoaded);
    EXPECT_EQ(LoadVideoFrames(eh.video, 105, 110, 2, &failed), kFrameNotDecoded);
    EXPECT_EQ(failed, 105);
    EXPECT_EQ(eh.table[106], nullptr);
    ASSERT_EQ(LoadVideoFrames(eh.video, 111, 315, 2, nullptr), kFramesLoaded);
    EXPECT_EQ(LoadVideoFrames(eh.video, 316, 319, 2, &failed), kFrameNotDecoded);
    EXPECT_EQ(failed, 316);
}

TEST(VideoFrameLoading, RefusedFramesStopTheBatchWhereOneByOneWould) {
    // Past the end of the film: the frames before the first missing one are kept.
    TestVideo eh("Video\\EH\\EH%03d.jpg", 320);
    int failed = -1;
    EXPECT_EQ(LoadVideoFrames(eh.video, 313, 318, 2, &failed), kFrameNotDecoded);
    EXPECT_EQ(failed, 316);
    EXPECT_NE(eh.table[315], nullptr);
    EXPECT_EQ(eh.table[316], nullptr);

    // A picture of another size than the film's first frame, and bytes that are no JPEG.
    SwappedArchive swapped;
    swapped.GiveBytesOf("Files\\Sad01.jpg", "Files\\Video\\EH\\EH102.jpg");
    swapped.GiveBytesOf("Files\\LogoW1.tga", "Files\\Video\\EH\\EH105.jpg");
    SetEmbeddedArchive(&swapped.archive);
    TestVideo sized("Video\\EH\\EH%03d.jpg", 316);
    ASSERT_EQ(LoadVideoFrames(sized.video, 100, 101, 2, nullptr), kFramesLoaded);
    EXPECT_EQ(LoadVideoFrames(sized.video, 102, 110, 2, &failed), kFrameNotDecoded);
    EXPECT_EQ(failed, 102);
    EXPECT_EQ(sized.table[102], nullptr);
    EXPECT_EQ(sized.table[103], nullptr);
    EXPECT_EQ(sized.video.pixelCount, 65536);
    EXPECT_EQ(LoadVideoFrames(sized.video, 103, 110, 2, &failed), kFrameNotDecoded);
    EXPECT_EQ(failed, 105);
    EXPECT_NE(sized.table[104], nullptr);
    EXPECT_EQ(sized.table[106], nullptr);
    // A film may start with small frames; they then set its size.
    TestVideo small("Video\\EH\\EH%03d.jpg", 316);
    ASSERT_EQ(LoadVideoFrames(small.video, 102, 102, 2, nullptr), kFramesLoaded);
    EXPECT_EQ(small.video.width, 128);
    EXPECT_EQ(OpenEmbeddedFileCount(), 0);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// With no room left for a helper thread's stack the batch still loads: the calling thread
// decodes every frame itself. (Run in a child process under an address-space limit; the
// sanitizers' shadow memory cannot live under such a limit.)
TEST(VideoFrameLoading, DecodesOnTheCallingThreadWithoutHelpers) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
            std::fclose(statm);
        }
        if (pages <= 0) _exit(3);
        // Room for decoding one frame at a time, none for an 8 MB thread stack.
        const rlim_t room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (6u << 20);
        const rlimit limit{room, room};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(4);
        TestVideo war("Video\\War\\War%03d.jpg", 361);
        const int result = LoadVideoFrames(war.video, 0, 5, 4, nullptr);
        bool all = true;
        for (int i = 0; i <= 5; ++i) all = all && war.table[i] != nullptr;
        _exit(result == kFramesLoaded && all ? 0 : 5);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the loader ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif
