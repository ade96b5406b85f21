// hand_jpeg.cpp -- see hand_jpeg.h.
#include "hand_jpeg.h"

#include <cstdlib>
#include <iterator>

namespace {
int Category(int32_t v) {
    int32_t a = std::abs(v);
    int n = 0;
    while (a) ++n, a >>= 1;
    return n;
}
uint32_t ValueBits(int32_t v, int size) { return v >= 0 ? uint32_t(v) : uint32_t(v + (1 << size) - 1); }

void Segment(Bytes& f, uint8_t marker, const Bytes& body) {
    f.push_back(0xFF);
    f.push_back(marker);
    f.push_back(uint8_t((body.size() + 2) >> 8));
    f.push_back(uint8_t(body.size() + 2));
    f.insert(f.end(), body.begin(), body.end());
}
}  // namespace

void HandScan::Bits(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        acc_ = (acc_ << 1) | ((value >> i) & 1);
        if (++bits_ == 8) Flush();
    }
}
void HandScan::Flush() {
    out_.push_back(uint8_t(acc_));
    if (uint8_t(acc_) == 0xFF) out_.push_back(0x00);
    acc_ = 0;
    bits_ = 0;
}
void HandScan::Dc(int32_t diff) {
    int c = Category(diff);
    Bits(uint32_t(c), 4);
    Bits(ValueBits(diff, c), c);
}
void HandScan::Symbol(uint8_t rs) {
    for (size_t i = 0; i < std::size(kHandAcSymbols); ++i)
        if (kHandAcSymbols[i] == rs) return Bits(uint32_t(i), 8);
    std::abort();
}
void HandScan::Ac(int run, int32_t value) {
    int s = Category(value);
    Symbol(uint8_t((run << 4) | s));
    Bits(ValueBits(value, s), s);
}
void HandScan::Restart(int number) {
    while (bits_ != 0) Bits(1, 1);
    out_.push_back(0xFF);
    out_.push_back(uint8_t(0xD0 + number));
}
Bytes HandScan::Finish() {
    while (bits_ != 0) Bits(1, 1);
    return out_;
}

Bytes MakeHandJpeg(const HandFrame& frame, const Bytes& scanData) {
    Bytes f = {0xFF, 0xD8};
    Segment(f, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    Bytes dqt = {0x00};
    dqt.insert(dqt.end(), 64, frame.quantisation);
    Segment(f, 0xDB, dqt);
    Segment(f, 0xC0, {8, uint8_t(frame.height >> 8), uint8_t(frame.height), uint8_t(frame.width >> 8),
                      uint8_t(frame.width), 3, 1, frame.sampling[0], 0, 2, frame.sampling[1], 0, 3,
                      frame.sampling[2], 0});
    Bytes dht = {0x00, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint8_t c = 0; c < 12; ++c) dht.push_back(c);
    dht.push_back(0x10);
    for (int l = 1; l <= 16; ++l) dht.push_back(l == 8 ? uint8_t(std::size(kHandAcSymbols)) : 0);
    dht.insert(dht.end(), std::begin(kHandAcSymbols), std::end(kHandAcSymbols));
    Segment(f, 0xC4, dht);
    if (frame.restartInterval)
        Segment(f, 0xDD, {uint8_t(frame.restartInterval >> 8), uint8_t(frame.restartInterval)});
    Segment(f, 0xDA, {3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 63, 0});
    f.insert(f.end(), scanData.begin(), scanData.end());
    f.push_back(0xFF);
    f.push_back(0xD9);
    return f;
}
