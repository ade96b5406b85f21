// forge_test_util.cpp -- the tests' readers.
#include "forge_test_util.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace forgetest {

TgaFile ParseTga(const std::vector<uint8_t>& b) {
    TgaFile t;
    if (b.size() < 18) return t;
    auto le16 = [&](size_t o) { return b[o] | (b[o + 1] << 8); };
    if (b[0] != 0 || b[1] != 0) return t;
    t.type = b[2];
    if (le16(8) != 0 || le16(10) != 0) return t;
    t.width = le16(12);
    t.height = le16(14);
    t.depth = b[16];
    t.descriptor = b[17];
    if (t.type != 2 || t.depth != 24) return t;
    size_t need = 18 + static_cast<size_t>(t.width) * t.height * 3;
    if (b.size() < need) return t;
    t.image = forge::Image(t.width, t.height);
    bool topDown = (t.descriptor & 0x20) != 0;
    for (int row = 0; row < t.height; ++row) {
        int y = topDown ? row : t.height - 1 - row;
        const uint8_t* src = &b[18 + static_cast<size_t>(row) * t.width * 3];
        for (int x = 0; x < t.width; ++x) {
            uint8_t* p = t.image.At(x, y);
            p[0] = src[x * 3 + 2];
            p[1] = src[x * 3 + 1];
            p[2] = src[x * 3 + 0];
        }
    }
    t.ok = true;
    return t;
}

JpegLayout ReadJpegLayout(const std::vector<uint8_t>& b) {
    JpegLayout j;
    auto fail = [&](const char* why) { j.error = why; return j; };
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return fail("no SOI");
    j.markers.push_back(0xD8);
    size_t p = 2;
    bool first = true;
    while (p + 2 <= b.size()) {
        if (b[p] != 0xFF) return fail("segment does not start with 0xFF");
        int code = b[p + 1];
        j.markers.push_back(code);
        if (code == 0xD9) break;
        if (p + 4 > b.size()) return fail("segment header runs past the end");
        size_t len = (b[p + 2] << 8) | b[p + 3];
        if (len < 2 || p + 2 + len > b.size()) return fail("segment runs past the end");
        const uint8_t* s = &b[p + 4];
        if (first && code == 0xE0 && len >= 7 && std::string(reinterpret_cast<const char*>(s), 5) == std::string("JFIF\0", 5))
            j.jfifFirst = true;
        first = false;
        if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) {
            j.sofCode = code;
            j.precision = s[0];
            j.height = (s[1] << 8) | s[2];
            j.width = (s[3] << 8) | s[4];
            for (int c = 0; c < s[5]; ++c) j.components.push_back({s[6 + c * 3], s[7 + c * 3] >> 4, s[7 + c * 3] & 15});
        }
        if (code == 0xDD) j.restartInterval = (s[0] << 8) | s[1];
        p += 2 + len;
        if (code == 0xDA) {
            // Entropy-coded data up to the next marker that is neither stuffing nor RSTn.
            while (p + 1 < b.size()) {
                if (b[p] == 0xFF && b[p + 1] != 0x00) {
                    if (b[p + 1] >= 0xD0 && b[p + 1] <= 0xD7) {
                        ++j.restartMarkers;
                        p += 2;
                        continue;
                    }
                    break;
                }
                ++p;
            }
        }
    }
    if (j.markers.back() != 0xD9) return fail("no EOI");
    j.ok = true;
    return j;
}

namespace {
struct Trap {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};
void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<Trap*>(info->err)->jump, 1); }
void Quiet(j_common_ptr, int) {}
}  // namespace

forge::Image DecodeWithLibjpeg(const std::vector<uint8_t>& bytes) {
    jpeg_decompress_struct info{};
    Trap trap{};
    info.err = jpeg_std_error(&trap.base);
    trap.base.error_exit = OnError;
    trap.base.emit_message = Quiet;
    forge::Image* out = new forge::Image();
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        delete out;
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    *out = forge::Image(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->At(0, static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    forge::Image result = std::move(*out);
    delete out;
    return result;
}

double MeanDifference(const forge::Image& a, const forge::Image& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(static_cast<int>(a.rgb[i]) - b.rgb[i]);
    return sum / static_cast<double>(a.rgb.size());
}

}  // namespace forgetest
