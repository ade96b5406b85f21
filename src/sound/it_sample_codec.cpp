// it_sample_codec.cpp -- decoder of the IT compressed sample format. The stream is read
// little-endian, bit 0 of each byte first; each value is a delta of variable width, and
// three kinds of width change are told apart by the current width. 2.14 data integrates
// the deltas once, 2.15 data twice. A block's bits are never read beyond the block: past
// its end the reader yields zero bits, which decode as repeats of the last sample.
#include "sound/it_sample_codec.h"

#include <cstring>

namespace {

class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t Read(int bits) {
        uint32_t value = 0;
        for (int i = 0; i < bits; ++i) {
            uint32_t bit = 0;
            if (byte_ < size_) bit = (data_[byte_] >> bit_) & 1u;
            value |= bit << i;
            if (++bit_ == 8) {
                bit_ = 0;
                ++byte_;
            }
        }
        return value;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t byte_ = 0;
    int bit_ = 0;
};

// One block of 8-bit data: false when a width change names an impossible width, which
// only damaged data does; the rest of the block is then left as zeros.
bool DecodeBlock8(BitReader& in, int8_t* out, int32_t count, bool it215) {
    int width = 9;
    int8_t d1 = 0, d2 = 0;
    int32_t i = 0;
    while (i < count) {
        uint32_t v = in.Read(width);
        if (width < 7) {
            if (v == (1u << (width - 1))) {
                int w = static_cast<int>(in.Read(3)) + 1;
                width = w < width ? w : w + 1;
                continue;
            }
        } else if (width < 9) {
            uint32_t border = (0xFFu >> (9 - width)) - 4;
            if (v > border && v <= border + 8) {
                int w = static_cast<int>(v - border);
                width = w < width ? w : w + 1;
                continue;
            }
        } else {
            if (v & 0x100u) {
                width = static_cast<int>((v + 1) & 0xFF);
                if (width < 1 || width > 9) return false;
                continue;
            }
        }
        int8_t delta;
        if (width < 8) {
            int shift = 8 - width;
            delta = static_cast<int8_t>(static_cast<uint8_t>(v << shift)) >> shift;
        } else {
            delta = static_cast<int8_t>(static_cast<uint8_t>(v));
        }
        d1 = static_cast<int8_t>(d1 + delta);
        d2 = static_cast<int8_t>(d2 + d1);
        out[i++] = it215 ? d2 : d1;
    }
    return true;
}

bool DecodeBlock16(BitReader& in, int16_t* out, int32_t count, bool it215) {
    int width = 17;
    int16_t d1 = 0, d2 = 0;
    int32_t i = 0;
    while (i < count) {
        uint32_t v = in.Read(width);
        if (width < 7) {
            if (v == (1u << (width - 1))) {
                int w = static_cast<int>(in.Read(4)) + 1;
                width = w < width ? w : w + 1;
                continue;
            }
        } else if (width < 17) {
            uint32_t border = (0xFFFFu >> (17 - width)) - 8;
            if (v > border && v <= border + 16) {
                int w = static_cast<int>(v - border);
                width = w < width ? w : w + 1;
                continue;
            }
        } else {
            if (v & 0x10000u) {
                width = static_cast<int>((v + 1) & 0xFF);
                if (width < 1 || width > 17) return false;
                continue;
            }
        }
        int16_t delta;
        if (width < 16) {
            int shift = 16 - width;
            delta = static_cast<int16_t>(static_cast<uint16_t>(v << shift)) >> shift;
        } else {
            delta = static_cast<int16_t>(static_cast<uint16_t>(v));
        }
        d1 = static_cast<int16_t>(d1 + delta);
        d2 = static_cast<int16_t>(d2 + d1);
        out[i++] = it215 ? d2 : d1;
    }
    return true;
}

}  // namespace

int32_t VssDecodeItSample(const uint8_t* src, size_t srcSize, void* dest, int32_t length, bool sixteenBit,
                          bool it215) {
    const int32_t perBlock = sixteenBit ? 0x4000 : 0x8000;
    size_t at = 0;
    int32_t done = 0;
    while (done < length) {
        if (srcSize - at < 2) break;
        size_t packed = src[at] | (src[at + 1] << 8);
        at += 2;
        if (packed > srcSize - at) break;  // a block cut by the end of the file is not used
        int32_t count = length - done < perBlock ? length - done : perBlock;
        BitReader in(src + at, packed);
        bool ok;
        if (sixteenBit) {
            int16_t* out = static_cast<int16_t*>(dest) + done;
            std::memset(out, 0, static_cast<size_t>(count) * 2);
            ok = DecodeBlock16(in, out, count, it215);
        } else {
            int8_t* out = static_cast<int8_t*>(dest) + done;
            std::memset(out, 0, static_cast<size_t>(count));
            ok = DecodeBlock8(in, out, count, it215);
        }
        done += count;
        at += packed;
        if (!ok) break;
    }
    return done;
}
