// it_compress.cpp -- the IT 2.14 sample compressor. Each block stores the differences
// between neighbouring samples in a bit stream (bit 0 of each byte first) whose value
// width changes on the way: widths below 7 announce a change with their most negative
// value and a 3-bit (4-bit for 16-bit data) new width, widths from 7 up use a band of
// values at the top of their range, and the widest width (9 or 17) uses its top bit.
// The widths are chosen per block by a shortest path over (sample, width): the stream is
// the smallest this coding allows, and the result depends on the samples alone.
#include "it_compress.h"

#include <limits>
#include <stdexcept>

namespace forge {

namespace {

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (fill_ == 0) out_.push_back(0);
            out_.back() |= static_cast<uint8_t>(((value >> i) & 1u) << fill_);
            fill_ = (fill_ + 1) & 7;
        }
    }

private:
    std::vector<uint8_t>& out_;
    int fill_ = 0;
};

template <int Bits>
struct Coding {
    static constexpr int kWide = Bits + 1;                   // 9 or 17: every difference fits
    static constexpr int kChangeBits = Bits == 8 ? 3 : 4;    // new width after a narrow change code
    static constexpr int kBand = Bits == 8 ? 4 : 8;          // half the change band of widths 7..Bits

    // Whether difference d can be stored at width w.
    static bool Fits(int32_t d, int w) {
        if (w == kWide) return true;
        int32_t half = int32_t{1} << (w - 1);
        if (w < 7) return d > -half && d < half;
        return d >= -half + kBand && d < half - kBand;
    }
    // Bits spent leaving width w.
    static int ChangeCost(int w) { return w < 7 ? w + kChangeBits : w; }

    static void PutChange(BitWriter& out, int from, int to) {
        if (from < 7) {
            out.Put(1u << (from - 1), from);
            out.Put(static_cast<uint32_t>(to < from ? to - 1 : to - 2), kChangeBits);
        } else if (from < kWide) {
            uint32_t border = ((1u << Bits) - 1) >> (kWide - from);
            border -= kBand;
            out.Put(border + static_cast<uint32_t>(to < from ? to : to - 1), from);
        } else {
            out.Put((1u << Bits) | static_cast<uint32_t>(to - 1), kWide);
        }
    }
    static void PutValue(BitWriter& out, int32_t d, int w) {
        int bits = w < kWide ? w : Bits;
        out.Put(static_cast<uint32_t>(d) & ((1u << bits) - 1), w);
    }
};

template <int Bits, typename T>
void CompressBlock(const T* samples, size_t count, std::vector<uint8_t>& out) {
    using C = Coding<Bits>;
    constexpr int kStates = C::kWide + 1;  // widths 1..kWide; index 0 unused
    constexpr int64_t kNone = std::numeric_limits<int64_t>::max() / 4;

    std::vector<int32_t> diff(count);
    T last = 0;
    for (size_t i = 0; i < count; ++i) {
        diff[i] = static_cast<T>(samples[i] - last);  // wraps as the reader's running sum does
        last = samples[i];
    }

    // cost[w]: fewest bits that store the samples so far and end at width w.
    int64_t cost[kStates], next[kStates];
    for (int w = 0; w < kStates; ++w) cost[w] = kNone;
    cost[C::kWide] = 0;
    std::vector<uint8_t> from(count * kStates);
    for (size_t i = 0; i < count; ++i) {
        int64_t bestChange = kNone;
        int bestFrom = C::kWide;
        for (int w = 1; w < kStates; ++w) {
            if (cost[w] >= kNone) continue;
            int64_t c = cost[w] + C::ChangeCost(w);
            if (c < bestChange) bestChange = c, bestFrom = w;
        }
        for (int w = 1; w < kStates; ++w) {
            next[w] = kNone;
            if (!C::Fits(diff[i], w)) continue;
            if (cost[w] < kNone && cost[w] <= bestChange) {
                next[w] = cost[w] + w;
                from[i * kStates + w] = static_cast<uint8_t>(w);
            } else if (bestChange < kNone) {
                next[w] = bestChange + w;
                from[i * kStates + w] = static_cast<uint8_t>(bestFrom);
            }
        }
        for (int w = 0; w < kStates; ++w) cost[w] = next[w];
    }

    std::vector<uint8_t> width(count);
    int w = C::kWide;
    for (int k = 1; k < kStates; ++k)
        if (cost[k] < cost[w]) w = k;
    for (size_t i = count; i-- > 0;) {
        width[i] = static_cast<uint8_t>(w);
        w = from[i * kStates + w];
    }

    std::vector<uint8_t> block;
    BitWriter bits(block);
    int current = C::kWide;
    for (size_t i = 0; i < count; ++i) {
        if (width[i] != current) {
            C::PutChange(bits, current, width[i]);
            current = width[i];
        }
        C::PutValue(bits, diff[i], current);
    }
    if (block.size() > 0xFFFF) throw std::logic_error("IT sample block longer than 64 KiB");
    out.push_back(static_cast<uint8_t>(block.size()));
    out.push_back(static_cast<uint8_t>(block.size() >> 8));
    out.insert(out.end(), block.begin(), block.end());
}

template <int Bits, typename T>
std::vector<uint8_t> Compress(const T* samples, size_t count) {
    constexpr size_t kPerBlock = 0x8000 / sizeof(T);
    std::vector<uint8_t> out;
    for (size_t at = 0; at < count; at += kPerBlock) {
        size_t n = count - at < kPerBlock ? count - at : kPerBlock;
        CompressBlock<Bits>(samples + at, n, out);
    }
    return out;
}

}  // namespace

std::vector<uint8_t> CompressItSample8(const int8_t* samples, size_t count) { return Compress<8>(samples, count); }

std::vector<uint8_t> CompressItSample16(const int16_t* samples, size_t count) {
    return Compress<16>(samples, count);
}

}  // namespace forge
