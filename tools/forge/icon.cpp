// icon.cpp -- the program's icon and its files. The picture is computed per pixel from a
// few shapes (a rounded tile, a lit disc, a "U" with its shadow), eight by eight samples
// a pixel at the small sizes so that the 16-pixel icon keeps clean edges.
#include "icon.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "image.h"

namespace forge {
namespace {

float Clamp01(float x) { return std::min(1.0f, std::max(0.0f, x)); }

// Whether (x, y) lies on the letter's stroke: two arms joined by a half ring below.
bool OnLetter(float x, float y) {
    constexpr float arm = 0.155f, half = 0.062f, top = 0.26f, bend = 0.52f;
    if (y < top) return false;
    if (y <= bend) return std::fabs(std::fabs(x - 0.5f) - arm) < half;
    const float ax = x - 0.5f, ay = y - bend;
    return std::fabs(std::sqrt(ax * ax + ay * ay) - arm) < half;
}

// The colour at one point of the unit square (v grows downwards); false outside the tile.
bool SampleIcon(float u, float v, Colour* colour) {
    constexpr float corner = 0.22f;
    const float qx = std::max(std::fabs(u - 0.5f) - (0.5f - corner), 0.0f);
    const float qy = std::max(std::fabs(v - 0.5f) - (0.5f - corner), 0.0f);
    if (qx * qx + qy * qy > corner * corner) return false;

    Colour c = Mix(Rgb(42, 31, 64), Rgb(15, 11, 24), v);
    constexpr float radius = 0.41f;
    const float dx = u - 0.5f, dy = v - 0.5f, d = std::sqrt(dx * dx + dy * dy);
    if (d < radius) {
        // Lit from the upper left, with a bright rim.
        const float lx = u - 0.40f, ly = v - 0.36f;
        c = Mix(Rgb(196, 140, 250), Rgb(84, 34, 142), Clamp01(std::sqrt(lx * lx + ly * ly) / (radius * 1.4f)));
        if (d > radius - 0.03f) c = Mix(c, Rgb(222, 192, 255), 0.55f);
        if (OnLetter(u - 0.022f, v - 0.03f)) c = c * 0.55f;
    }
    if (OnLetter(u, v)) c = Mix(Rgb(250, 244, 255), Rgb(212, 198, 240), Clamp01((v - 0.26f) / 0.5f));
    *colour = c;
    return true;
}

uint8_t Quantise(float x) { return static_cast<uint8_t>(std::lround(Clamp01(x) * 255.0f)); }

void Le32(ByteSink& sink, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    sink.Write(b, 4);
}

void Be32(ByteSink& sink, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v)};
    sink.Write(b, 4);
}

void PngChunk(ByteSink& sink, const char* type, const std::vector<uint8_t>& data) {
    Be32(sink, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    sink.Write(body.data(), body.size());
    Be32(sink, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A 32-bit bitmap as an icon file holds it: the header with twice the height (picture
// and mask), the rows bottom first in blue, green, red, alpha, then the 1-bit mask
// (set where the picture is transparent), each mask row padded to four bytes.
std::vector<uint8_t> IconBitmap(const RgbaImage& image) {
    VectorSink sink;
    const int w = image.width, h = image.height;
    const uint32_t maskRow = static_cast<uint32_t>((w + 31) / 32 * 4);
    Le32(sink, 40);
    Le32(sink, static_cast<uint32_t>(w));
    Le32(sink, static_cast<uint32_t>(2 * h));
    sink.Le16(1);
    sink.Le16(32);
    Le32(sink, 0);
    Le32(sink, static_cast<uint32_t>(w * h * 4) + maskRow * static_cast<uint32_t>(h));
    for (int i = 0; i < 4; ++i) Le32(sink, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * w + x) * 4];
            const uint8_t bgra[4] = {p[2], p[1], p[0], p[3]};
            sink.Write(bgra, 4);
        }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskRow, 0);
        for (int x = 0; x < w; ++x)
            if (image.rgba[(static_cast<size_t>(y) * w + x) * 4 + 3] == 0)
                row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        sink.Write(row.data(), row.size());
    }
    return sink.bytes;
}

bool WriteIfChanged(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == bytes.size() && !ec) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (old == bytes) return true;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file.good()) return true;
    if (error) *error = "cannot write " + path.string();
    return false;
}

}  // namespace

RgbaImage PaintIcon(int size) {
    RgbaImage image;
    image.width = image.height = size;
    image.rgba.assign(static_cast<size_t>(size) * size * 4, 0);
    const int n = size < 64 ? 8 : 4;  // samples a pixel along each axis
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Colour sum;
            int covered = 0;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx) {
                    Colour c;
                    if (!SampleIcon((x + (sx + 0.5f) / n) / size, (y + (sy + 0.5f) / n) / size, &c)) continue;
                    sum = sum + c;
                    ++covered;
                }
            uint8_t* p = &image.rgba[(static_cast<size_t>(y) * size + x) * 4];
            if (covered == 0) continue;
            const Colour c = sum * (1.0f / static_cast<float>(covered));
            p[0] = Quantise(c.r);
            p[1] = Quantise(c.g);
            p[2] = Quantise(c.b);
            p[3] = Quantise(static_cast<float>(covered) / static_cast<float>(n * n));
        }
    return image;
}

void WriteRgbaPng(ByteSink& sink, const RgbaImage& image) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    sink.Write(kSignature, sizeof kSignature);
    VectorSink header;
    Be32(header, static_cast<uint32_t>(image.width));
    Be32(header, static_cast<uint32_t>(image.height));
    const uint8_t rest[5] = {8, 6, 0, 0, 0};  // 8 bits, RGBA, deflate, adaptive filters, no interlace
    header.Write(rest, sizeof rest);
    PngChunk(sink, "IHDR", header.bytes);

    // Every row with filter 1 (each byte less the one four to its left): the flat areas
    // of the picture become runs of zeros.
    const size_t rowBytes = static_cast<size_t>(image.width) * 4;
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = &image.rgba[static_cast<size_t>(y) * rowBytes];
        raw.push_back(1);
        for (size_t i = 0; i < rowBytes; ++i) raw.push_back(static_cast<uint8_t>(row[i] - (i >= 4 ? row[i - 4] : 0)));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib cannot pack the icon");
    packed.resize(packedSize);
    PngChunk(sink, "IDAT", packed);
    PngChunk(sink, "IEND", {});
}

void WriteIco(ByteSink& sink, const std::vector<RgbaImage>& images) {
    std::vector<std::vector<uint8_t>> entries;
    for (const RgbaImage& image : images) {
        if (image.width >= 256) {
            VectorSink png;
            WriteRgbaPng(png, image);
            entries.push_back(std::move(png.bytes));
        } else {
            entries.push_back(IconBitmap(image));
        }
    }
    sink.Le16(0);
    sink.Le16(1);  // an icon, not a cursor
    sink.Le16(static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        sink.Byte(static_cast<uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
        sink.Byte(static_cast<uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
        sink.Byte(0);  // not a palette picture
        sink.Byte(0);
        sink.Le16(1);   // planes
        sink.Le16(32);  // bits a pixel
        Le32(sink, static_cast<uint32_t>(entries[i].size()));
        Le32(sink, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const std::vector<uint8_t>& entry : entries) sink.Write(entry.data(), entry.size());
}

std::string IconArrayText(const RgbaImage& image) {
    std::string text;
    char item[8];
    for (size_t i = 0; i < image.rgba.size(); ++i) {
        std::snprintf(item, sizeof item, "0x%02x,", image.rgba[i]);
        text += item;
        text += (i % 16 == 15) ? "\n" : " ";
    }
    return text;
}

bool WriteIconFiles(const std::string& dir, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::vector<RgbaImage> images;
    for (int size : kIconSizes) images.push_back(PaintIcon(size));
    VectorSink ico, png;
    WriteIco(ico, images);
    WriteRgbaPng(png, images.back());
    const std::string rows = "// The program's icon, 64 x 64 pixels, RGBA, top row first (written by the forge).\n" +
                             IconArrayText(PaintIcon(64));
    const std::filesystem::path folder(dir);
    return WriteIfChanged(folder / "umbravel.ico", ico.bytes, error) &&
           WriteIfChanged(folder / "umbravel.png", png.bytes, error) &&
           WriteIfChanged(folder / "umbravel_icon_64.inc", std::vector<uint8_t>(rows.begin(), rows.end()), error);
}

}  // namespace forge
