// jpeg_decode_bench.cpp -- decode throughput of DecodeJpeg beside libjpeg-turbo, single
// threaded, in MPixels/s:
//   (a) 300 pictures of 256x256 at 4:2:0 (the video frames),
//   (b) 20 pictures of 1024x768 at each of 4:4:4, 4:2:2 and 4:2:0.
// libjpeg-turbo runs twice: with its defaults (integer IDCT, fancy upsampling) and with
// the float IDCT and no fancy upsampling (the closest to our arithmetic). Each figure is
// the best of several rounds; the hash of our pixels shows that a change kept the results.
//   jpeg_decode_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codecs/codec_log.h"
#include "codecs/image.h"
#include "codecs/jpeg.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A picture with smooth shading, texture and edges, different for every seed.
std::vector<uint8_t> Picture(int width, int height, uint32_t seed) {
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    uint32_t state = seed * 2654435761u + 7;
    int cx = int(seed * 37 % unsigned(width)), cy = int(seed * 53 % unsigned(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            int noise = int(state >> 28) - 8;
            int dx = x - cx, dy = y - cy;
            int ring = ((dx * dx + dy * dy) >> 7) & 63;
            uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
            p[0] = uint8_t(std::clamp(x * 255 / width + noise, 0, 255));
            p[1] = uint8_t(std::clamp(ring * 4 + noise, 0, 255));
            p[2] = uint8_t(std::clamp(y * 255 / height - noise + (((x / 16) + (y / 16)) % 2) * 40, 0, 255));
        }
    return rgb;
}

Bytes Encode(const std::vector<uint8_t>& rgb, int width, int height, int h, int v, int quality) {
    jpeg_compress_struct c;
    jpeg_error_mgr error;
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.comp_info[0].h_samp_factor = h;
    c.comp_info[0].v_samp_factor = v;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(c.next_scanline) * width * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

struct Set {
    std::string name;
    int width, height;
    std::vector<Bytes> files;
    std::vector<FileBuffer*> buffers;
};

uint64_t gHash = 1469598103934665603ull;

void DecodeOurs(const Set& set) {
    for (FileBuffer* buffer : set.buffers) {
        RgbImage* image = nullptr;
        if (!DecodeJpeg(*buffer, image)) {
            std::fprintf(stderr, "DecodeJpeg refused a generated file\n");
            std::exit(1);
        }
        for (size_t i = 0, n = size_t(image->width) * image->height * 3; i < n; i += 61)
            gHash = (gHash ^ image->pixels[i]) * 1099511628211ull;
        DestroyRgbImage(image);
    }
}

void DecodeReference(const Set& set, bool floatNoFancy) {
    std::vector<uint8_t> rgb(size_t(set.width) * set.height * 3);
    for (const Bytes& file : set.files) {
        jpeg_decompress_struct d;
        jpeg_error_mgr error;
        d.err = jpeg_std_error(&error);
        jpeg_create_decompress(&d);
        jpeg_mem_src(&d, file.data(), file.size());
        jpeg_read_header(&d, TRUE);
        d.out_color_space = JCS_RGB;
        if (floatNoFancy) {
            d.dct_method = JDCT_FLOAT;
            d.do_fancy_upsampling = FALSE;
        }
        jpeg_start_decompress(&d);
        while (d.output_scanline < d.output_height) {
            JSAMPROW row = &rgb[size_t(d.output_scanline) * set.width * 3];
            jpeg_read_scanlines(&d, &row, 1);
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
    }
}

template <typename F>
double BestSeconds(int rounds, F&& run) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        run();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, s);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    CodecLogSetSink(nullptr);

    std::vector<Set> sets;
    auto makeSet = [&](std::string name, int count, int w, int h, int hs, int vs) {
        Set set{std::move(name), w, h, {}, {}};
        for (int i = 0; i < count; ++i) set.files.push_back(Encode(Picture(w, h, uint32_t(i + 1)), w, h, hs, vs, 80));
        for (const Bytes& f : set.files) {
            FileBuffer* b = CreateFileBuffer(int32_t(f.size()));
            std::memcpy(b->data, f.data(), f.size());
            set.buffers.push_back(b);
        }
        sets.push_back(std::move(set));
    };
    makeSet("(a) 300 x 256x256 4:2:0", 300, 256, 256, 2, 2);
    makeSet("(b) 20 x 1024x768 4:4:4", 20, 1024, 768, 1, 1);
    makeSet("(b) 20 x 1024x768 4:2:2", 20, 1024, 768, 2, 1);
    makeSet("(b) 20 x 1024x768 4:2:0", 20, 1024, 768, 2, 2);

    std::printf("%-26s %12s %14s %16s %10s %10s\n", "set", "ours MP/s", "libjpeg MP/s", "libjpeg flt MP/s",
                "vs default", "vs float");
    for (const Set& set : sets) {
        double pixels = double(set.width) * set.height * double(set.files.size()) / 1e6;
        double ours = pixels / BestSeconds(rounds, [&] { DecodeOurs(set); });
        double def = pixels / BestSeconds(rounds, [&] { DecodeReference(set, false); });
        double flt = pixels / BestSeconds(rounds, [&] { DecodeReference(set, true); });
        std::printf("%-26s %12.1f %14.1f %16.1f %9.0f%% %9.0f%%\n", set.name.c_str(), ours, def, flt, 100 * ours / def,
                    100 * ours / flt);
    }
    std::printf("hash of our pixels over all rounds: %016llx\n", static_cast<unsigned long long>(gHash));
    for (Set& set : sets)
        for (FileBuffer* b : set.buffers) DestroyFileBuffer(b);
    return 0;
}
