// codec_test_support.cpp -- log capture, reference encoder and decoder, segment editor.
#include "codec_test_support.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "codecs/jpeg.h"
#include "codecs/tga.h"

namespace {
std::mutex gTextsLock;
std::vector<std::string> gTexts;
CodecLogSink gPrevious = nullptr;

void CaptureSink(const char* text) {
    std::lock_guard<std::mutex> hold(gTextsLock);
    gTexts.emplace_back(text);
}

FileBuffer* ToBuffer(const Bytes& bytes) {
    FileBuffer* buffer = CreateFileBuffer(static_cast<int32_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(buffer->data, bytes.data(), bytes.size());
    return buffer;
}
}  // namespace

LogCapture::LogCapture() {
    gTexts.clear();
    gPrevious = CodecLogGetSink();
    CodecLogSetSink(CaptureSink);
    CodecLogSetError(kCodecErrorNone);
}
LogCapture::~LogCapture() { CodecLogSetSink(gPrevious); }

std::string LogCapture::Text() const {
    std::lock_guard<std::mutex> hold(gTextsLock);
    std::string all;
    for (const std::string& t : gTexts) all += t;
    return all;
}
bool LogCapture::Contains(const std::string& line) const { return Count(line) > 0; }
int LogCapture::Count(const std::string& line) const {
    std::lock_guard<std::mutex> hold(gTextsLock);
    int n = 0;
    for (const std::string& t : gTexts) n += t == line;
    return n;
}

int DecodeJpegBytes(const Bytes& bytes, ImageHolder& out) {
    FileBuffer* buffer = ToBuffer(bytes);
    int ok = DecodeJpeg(*buffer, out.image);
    DestroyFileBuffer(buffer);
    return ok;
}

int DecodeTgaBytes(const Bytes& bytes, ImageHolder& out) {
    FileBuffer* buffer = ToBuffer(bytes);
    int ok = DecodeTga(*buffer, out.image);
    DestroyFileBuffer(buffer);
    return ok;
}

std::vector<uint8_t> MakeTestPicture(int width, int height, uint32_t seed) {
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            int noise = int(state >> 27) - 16;
            bool edge = ((x / 9) + (y / 7)) % 3 == 0;
            uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
            int r = x * 255 / (width > 1 ? width - 1 : 1) + noise;
            int g = y * 255 / (height > 1 ? height - 1 : 1) - noise;
            int b = edge ? 230 : 20 + noise;
            p[0] = uint8_t(r < 0 ? 0 : r > 255 ? 255 : r);
            p[1] = uint8_t(g < 0 ? 0 : g > 255 ? 255 : g);
            p[2] = uint8_t(b < 0 ? 0 : b > 255 ? 255 : b);
        }
    return rgb;
}

Bytes EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, const EncodeOptions& options) {
    jpeg_compress_struct c;
    jpeg_error_mgr error;
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = width;
    c.image_height = height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, options.quality, TRUE);
    int h = options.subsampling == Subsampling::k444 ? 1 : 2;
    int v = options.subsampling == Subsampling::k420 ? 2 : 1;
    c.comp_info[0].h_samp_factor = h;
    c.comp_info[0].v_samp_factor = v;
    for (int i = 1; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    c.restart_interval = options.restartInterval;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(c.next_scanline) * width * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(out, out + outSize);
    free(out);
    return bytes;
}

namespace {
struct ReferenceError {
    jpeg_error_mgr base;
    jmp_buf jump;
};
void ReferenceErrorExit(j_common_ptr info) { longjmp(reinterpret_cast<ReferenceError*>(info->err)->jump, 1); }
void ReferenceQuiet(j_common_ptr, int) {}
}  // namespace

bool ReferenceDecode(const Bytes& jpeg, std::vector<uint8_t>& rgb, int* width, int* height) {
    jpeg_decompress_struct d;
    ReferenceError error;
    d.err = jpeg_std_error(&error.base);
    error.base.error_exit = ReferenceErrorExit;
    error.base.emit_message = ReferenceQuiet;
    jpeg_create_decompress(&d);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_mem_src(&d, jpeg.data(), jpeg.size());
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    d.dct_method = JDCT_FLOAT;
    d.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&d);
    *width = int(d.output_width);
    *height = int(d.output_height);
    rgb.assign(size_t(*width) * *height * 3, 0);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = &rgb[size_t(d.output_scanline) * *width * 3];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

std::vector<JpegSegment> SplitJpeg(const Bytes& f) {
    std::vector<JpegSegment> segments;
    size_t p = 0;
    while (p + 1 < f.size()) {
        if (f[p] != 0xFF) throw std::runtime_error("SplitJpeg: no marker");
        uint8_t marker = f[p + 1];
        p += 2;
        JpegSegment s{marker, {}, {}};
        if (marker != 0xD8 && marker != 0xD9 && !(marker >= 0xD0 && marker <= 0xD7)) {
            size_t length = (size_t(f[p]) << 8) | f[p + 1];
            s.body.assign(f.begin() + p + 2, f.begin() + p + length);
            p += length;
        }
        if (marker == 0xDA) {
            size_t q = p;
            while (q + 1 < f.size() && !(f[q] == 0xFF && f[q + 1] != 0 && !(f[q + 1] >= 0xD0 && f[q + 1] <= 0xD7))) ++q;
            s.trailer.assign(f.begin() + p, f.begin() + q);
            p = q;
        }
        segments.push_back(std::move(s));
    }
    return segments;
}

Bytes JoinJpeg(const std::vector<JpegSegment>& segments) {
    Bytes f;
    for (const JpegSegment& s : segments) {
        f.push_back(0xFF);
        f.push_back(s.marker);
        if (s.marker != 0xD8 && s.marker != 0xD9) {
            size_t length = s.body.size() + 2;
            f.push_back(uint8_t(length >> 8));
            f.push_back(uint8_t(length));
            f.insert(f.end(), s.body.begin(), s.body.end());
        }
        f.insert(f.end(), s.trailer.begin(), s.trailer.end());
    }
    return f;
}

int FindSegment(const std::vector<JpegSegment>& segments, uint8_t marker) {
    for (size_t i = 0; i < segments.size(); ++i)
        if (segments[i].marker == marker) return int(i);
    return -1;
}

namespace {
// The tests read the log through LogCapture; everything else stays quiet.
const struct QuietByDefault {
    QuietByDefault() { CodecLogSetSink(nullptr); }
} kQuietByDefault;
}  // namespace
