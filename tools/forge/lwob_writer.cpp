// lwob_writer.cpp -- the LWOB form over a ByteSink. Every chunk is gathered in memory
// first, since its size comes before its data.
#include "lwob_writer.h"

#include <cstring>
#include <stdexcept>

namespace forge {

namespace {

void Be16(std::vector<uint8_t>& d, uint16_t v) {
    d.push_back(static_cast<uint8_t>(v >> 8));
    d.push_back(static_cast<uint8_t>(v));
}
void Be32(std::vector<uint8_t>& d, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) d.push_back(static_cast<uint8_t>(v >> s));
}
void Float(std::vector<uint8_t>& d, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    Be32(d, bits);
}
void Id(std::vector<uint8_t>& d, const char* id) { d.insert(d.end(), id, id + 4); }
// Zero-terminated and padded to an even length.
void Name(std::vector<uint8_t>& d, const std::string& s) {
    d.insert(d.end(), s.begin(), s.end());
    d.push_back(0);
    if (s.size() % 2 == 0) d.push_back(0);
}
void Chunk(std::vector<uint8_t>& body, const char* id, const std::vector<uint8_t>& data) {
    Id(body, id);
    Be32(body, static_cast<uint32_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
}
void SubChunk(std::vector<uint8_t>& surf, const char* id, const std::vector<uint8_t>& data) {
    if (data.size() > 0xFFFF) throw std::invalid_argument("LWOB sub-chunk too long");
    Id(surf, id);
    Be16(surf, static_cast<uint16_t>(data.size()));
    surf.insert(surf.end(), data.begin(), data.end());
}
std::vector<uint8_t> Floats(const std::array<float, 3>& v) {
    std::vector<uint8_t> d;
    for (float f : v) Float(d, f);
    return d;
}

}  // namespace

void WriteLwob(ByteSink& sink, const LwobFile& object) {
    if (object.points.size() > 0x10000) throw std::invalid_argument("LWOB: more than 65536 points");
    std::vector<uint8_t> body, data;

    for (const auto& p : object.points)
        for (float f : p) Float(data, f);
    Chunk(body, "PNTS", data);

    data.clear();
    for (const LwobSurface& s : object.surfaces) Name(data, s.name);
    Chunk(body, "SRFS", data);

    data.clear();
    for (const LwobPolygon& polygon : object.polygons) {
        if (polygon.points.size() < 3 || polygon.points.size() > 0xFFFF)
            throw std::invalid_argument("LWOB: a polygon needs 3 or more points");
        if (polygon.surface < 1 || polygon.surface > object.surfaces.size())
            throw std::invalid_argument("LWOB: surface number out of range");
        Be16(data, static_cast<uint16_t>(polygon.points.size()));
        for (uint16_t i : polygon.points) {
            if (i >= object.points.size()) throw std::invalid_argument("LWOB: point index out of range");
            Be16(data, i);
        }
        Be16(data, polygon.surface);
    }
    Chunk(body, "POLS", data);

    for (const LwobSurface& s : object.surfaces) {
        data.clear();
        Name(data, s.name);
        SubChunk(data, "COLR", {s.colour[0], s.colour[1], s.colour[2], 0});
        if (s.textured) {
            std::vector<uint8_t> flags;
            Be16(flags, static_cast<uint16_t>(1u << s.texture.axis));
            SubChunk(data, "TFLG", flags);
            SubChunk(data, "TSIZ", Floats(s.texture.size));
            SubChunk(data, "TCTR", Floats(s.texture.centre));
            std::vector<uint8_t> image;
            Name(image, s.texture.image);
            SubChunk(data, "TIMG", image);
        }
        Chunk(body, "SURF", data);
    }

    std::vector<uint8_t> head;
    Id(head, "FORM");
    Be32(head, static_cast<uint32_t>(body.size() + 4));
    Id(head, "LWOB");
    sink.Write(head.data(), head.size());
    sink.Write(body.data(), body.size());
}

}  // namespace forge
