// The codec log from several threads: whole texts reach the sink, and the sink can be
// changed while decodes run (the thread sanitizer build checks the rest).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "codec_test_support.h"

namespace {
std::atomic<int> gTexts{0};
std::atomic<int> gBroken{0};
void CountingSink(const char* text) {
    ++gTexts;
    // Every trace text of a good decode ends its own line or is one of the short pieces.
    if (!*text) ++gBroken;
}
}  // namespace

TEST(CodecLog, DecodesOnSeveralThreadsShareTheLog) {
    Bytes file = EncodeJpeg(MakeTestPicture(48, 40, 4), 48, 40, {Subsampling::k420, 70, 2});
    CodecLogSink previous = CodecLogGetSink();
    CodecLogSetError(0);  // a success never sets it
    CodecLogSetSink(CountingSink);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 40; ++i) {
                ImageHolder out;
                if (!DecodeJpegBytes(file, out)) ++failures;
            }
        });
    for (int i = 0; i < 200; ++i) CodecLogSetSink(i % 2 ? nullptr : CountingSink);
    CodecLogSetSink(CountingSink);
    for (std::thread& t : threads) t.join();
    ImageHolder last;
    EXPECT_EQ(DecodeJpegBytes(file, last), 1);
    CodecLogSetSink(previous);
    EXPECT_EQ(failures, 0);
    EXPECT_GT(gTexts.load(), 0);
    EXPECT_EQ(gBroken.load(), 0);
    EXPECT_EQ(CodecLogGetError(), 0);
}
