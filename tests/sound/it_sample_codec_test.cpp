// The compressed sample decoder: block boundaries, width changes and both integrations.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sound/it_sample_codec.h"

namespace {

class BitWriter {
public:
    void Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (bit_ == 0) bytes.push_back(0);
            bytes.back() |= static_cast<uint8_t>(((value >> i) & 1u) << bit_);
            bit_ = (bit_ + 1) & 7;
        }
    }
    std::vector<uint8_t> bytes;

private:
    int bit_ = 0;
};

void AppendBlock(std::vector<uint8_t>& out, const BitWriter& w) {
    out.push_back(static_cast<uint8_t>(w.bytes.size()));
    out.push_back(static_cast<uint8_t>(w.bytes.size() >> 8));
    out.insert(out.end(), w.bytes.begin(), w.bytes.end());
}

// Deltas at the starting width (9 or 17 bits): every value is a plain delta.
std::vector<uint8_t> EncodeWide(const std::vector<int32_t>& samples, bool sixteen) {
    const size_t perBlock = sixteen ? 0x4000 : 0x8000;
    std::vector<uint8_t> out;
    for (size_t start = 0; start < samples.size(); start += perBlock) {
        BitWriter w;
        int32_t previous = 0;
        for (size_t i = start; i < samples.size() && i < start + perBlock; ++i) {
            int32_t delta = samples[i] - previous;
            previous = samples[i];
            w.Put(static_cast<uint32_t>(delta) & (sixteen ? 0xFFFFu : 0xFFu), sixteen ? 17 : 9);
        }
        AppendBlock(out, w);
    }
    return out;
}

TEST(ItSampleCodec, SixteenBitBlocksRestartTheirSums) {
    // 0x9000 samples: blocks of 0x4000, 0x4000 and 0x1000, each summing from 0.
    std::vector<int32_t> samples(0x9000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 37 - 20000);
    std::vector<uint8_t> packed = EncodeWide(samples, true);
    std::vector<int16_t> out(samples.size());
    ASSERT_EQ(VssDecodeItSample(packed.data(), packed.size(), out.data(), 0x9000, true, false), 0x9000);
    for (size_t i : {size_t{0}, size_t{0x3FFF}, size_t{0x4000}, size_t{0x8000}, size_t{0x8FFF}})
        EXPECT_EQ(out[i], samples[i]) << i;
    EXPECT_EQ(std::vector<int32_t>(out.begin(), out.end()), samples);
}

TEST(ItSampleCodec, EightBitBlockBoundary) {
    std::vector<int32_t> samples(0x8001);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int8_t>(i * 7);
    std::vector<uint8_t> packed = EncodeWide(samples, false);
    std::vector<int8_t> out(samples.size());
    ASSERT_EQ(VssDecodeItSample(packed.data(), packed.size(), out.data(), 0x8001, false, false), 0x8001);
    EXPECT_EQ(std::vector<int32_t>(out.begin(), out.end()), samples);
}

TEST(ItSampleCodec, WidthChangesByAllThreeMethods) {
    BitWriter w;
    w.Put(0x100 | 2, 9);  // width 9 -> 3 (method 3: low byte + 1)
    w.Put(0x7, 3);        // delta -1 at 3 bits
    w.Put(0x4, 3);        // 3 bits: the marker 1 << 2, then 3 bits of new width
    w.Put(6, 3);          // 6 + 1 = 7, not below 3, so width 8
    w.Put(100, 8);        // delta +100 at 8 bits (124..131 would be width changes)
    w.Put(0x7C, 8);       // method 2 at width 8: border 0x7B, 0x7C -> 1 -> width 1
    w.Put(0x1, 1);        // width 1: the value 1 is the marker
    w.Put(7, 3);          // 7 + 1 = 8 -> width 9 (not below 1)
    w.Put(0x081, 9);      // delta -127 at 9 bits (bit 8 clear), wrapping to -28
    std::vector<uint8_t> packed;
    AppendBlock(packed, w);
    int8_t out[3];
    ASSERT_EQ(VssDecodeItSample(packed.data(), packed.size(), out, 3, false, false), 3);
    EXPECT_EQ(out[0], -1);
    EXPECT_EQ(out[1], 99);
    EXPECT_EQ(out[2], -28);
}

TEST(ItSampleCodec, SecondIntegrationFor215) {
    std::vector<uint8_t> packed = EncodeWide({1, 2, 3, 4}, false);  // deltas 1, 1, 1, 1
    int8_t once[4], twice[4];
    VssDecodeItSample(packed.data(), packed.size(), once, 4, false, false);
    VssDecodeItSample(packed.data(), packed.size(), twice, 4, false, true);
    EXPECT_EQ(std::vector<int>(once, once + 4), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(std::vector<int>(twice, twice + 4), (std::vector<int>{1, 3, 6, 10}));
}

TEST(ItSampleCodec, DamagedStreamsStopCleanly) {
    std::vector<int32_t> samples(100, 5);
    std::vector<uint8_t> packed = EncodeWide(samples, false);
    std::vector<int8_t> out(0x9000, 99);
    // A block cut by the end of the data is not used: the sample ends before it.
    EXPECT_EQ(VssDecodeItSample(packed.data(), packed.size() - 1, out.data(), 100, false, false), 0);
    // Blocks that end early leave the rest of the sample cut.
    EXPECT_EQ(VssDecodeItSample(packed.data(), packed.size(), out.data(), 0x9000, false, false), 0x8000);
    // A width change to width 0 ends the block.
    BitWriter w;
    w.Put(0x1FF, 9);
    std::vector<uint8_t> bad;
    AppendBlock(bad, w);
    EXPECT_EQ(VssDecodeItSample(bad.data(), bad.size(), out.data(), 10, false, false), 10);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(VssDecodeItSample(nullptr, 0, out.data(), 10, false, false), 0);
}

}  // namespace
