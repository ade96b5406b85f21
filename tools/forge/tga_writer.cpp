// tga_writer.cpp -- uncompressed 24-bit TGA over a ByteSink.
#include "tga_writer.h"

#include <vector>

namespace forge {

void WriteTga(ByteSink& sink, const Image& image, TgaRows rows) {
    sink.Byte(0);  // identification field length
    sink.Byte(0);  // no colour map
    sink.Byte(2);  // uncompressed true-colour
    for (int i = 0; i < 5; ++i) sink.Byte(0);  // colour map specification
    sink.Le16(0);  // x origin
    sink.Le16(0);  // y origin
    sink.Le16(static_cast<uint16_t>(image.width));
    sink.Le16(static_cast<uint16_t>(image.height));
    sink.Byte(24);
    sink.Byte(rows == TgaRows::TopDown ? 0x20 : 0x00);

    std::vector<uint8_t> line(static_cast<size_t>(image.width) * 3);
    for (int i = 0; i < image.height; ++i) {
        int y = rows == TgaRows::TopDown ? i : image.height - 1 - i;
        const uint8_t* src = image.At(0, y);
        for (int x = 0; x < image.width; ++x) {
            line[x * 3 + 0] = src[x * 3 + 2];
            line[x * 3 + 1] = src[x * 3 + 1];
            line[x * 3 + 2] = src[x * 3 + 0];
        }
        sink.Write(line.data(), line.size());
    }
}

}  // namespace forge
