// hand_jpeg.h -- JPEG files written bit by bit for the decoder's tests, with tables
// simple enough to write by hand: every DC category is a 4-bit code equal to the
// category, every AC symbol of kHandAcSymbols an 8-bit code equal to its index, all
// quantisation values 1.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t kHandAcSymbols[] = {0x00, 0xF0, 0x01, 0x02, 0x11, 0xE1, 0x0A, 0x3F, 0xF1, 0x08};

class HandScan {
public:
    void Bits(uint32_t value, int count);
    void Dc(int32_t diff);                 // category code and value bits
    void Ac(int run, int32_t value);       // (run, size) code and value bits
    void Eob() { Symbol(0x00); }
    void Zrl() { Symbol(0xF0); }
    void Symbol(uint8_t rs);               // just the 8-bit code of a symbol
    void Restart(int number);              // pads with 1 bits, then FF D0+number
    Bytes Finish();                        // pads with 1 bits
private:
    void Flush();
    Bytes out_;
    uint32_t acc_ = 0;
    int bits_ = 0;
};

struct HandFrame {
    int width = 8, height = 8;
    uint8_t sampling[3] = {0x11, 0x11, 0x11};
    int restartInterval = 0;
    uint8_t quantisation = 1;
};
Bytes MakeHandJpeg(const HandFrame& frame, const Bytes& scanData);
