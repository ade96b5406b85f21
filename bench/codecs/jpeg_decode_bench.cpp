// jpeg_decode_bench.cpp -- decode speed of DecodeJpeg beside libjpeg-turbo, single
// threaded, in MPixels/s, on
//   (a) 300 pictures of 256x256 at 4:2:0 (the size and layout of the video frames),
//   (b) 20 pictures of 1024x768 at each of 4:4:4, 4:2:2 and 4:2:0,
// or on every JPEG file under the folders named on the command line that both decoders
// accept (one set per folder).
//
// libjpeg-turbo is timed as its users call it: one decompress object for the whole run,
// jpeg_read_header, jpeg_start_decompress with its defaults (SIMD integer IDCT, fancy
// upsampling), scanlines into an RGB buffer, jpeg_finish_decompress. Ours is timed
// through DecodeJpeg as the program calls it, the picture freed after each file. The two
// take turns file by file (who goes first alternates), and the ratio is the median of the
// rounds' ratios, so a machine busy with other work slows both alike. --float adds
// libjpeg-turbo with the float IDCT and no fancy upsampling, the closest to our arithmetic.
// The hash of our pixels (every byte of every picture of a set, FNV-1a) shows that a
// change kept the results.
//   jpeg_decode_bench [--rounds N] [--float] [--ours-only] [DIR...]
#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codecs/codec_log.h"
#include "codecs/image.h"
#include "codecs/jpeg.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

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

// libjpeg-turbo with one decompress object for the whole run; an error returns here
// instead of ending the program, and warnings are not printed.
class Reference {
public:
    Reference() {
        d_.err = jpeg_std_error(&error_.base);
        error_.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Error*>(c->err)->back, 1); };
        error_.base.output_message = [](j_common_ptr) {};
        jpeg_create_decompress(&d_);
    }
    ~Reference() { jpeg_destroy_decompress(&d_); }

    // Decodes into rgb (resized when too small); false when libjpeg-turbo refuses the file.
    bool Decode(const Bytes& file, bool floatNoFancy, std::vector<uint8_t>& rgb, std::vector<JSAMPROW>& rows) {
        if (setjmp(error_.back)) {
            jpeg_abort_decompress(&d_);
            return false;
        }
        jpeg_mem_src(&d_, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&d_, TRUE);
        d_.out_color_space = JCS_RGB;
        if (floatNoFancy) {
            d_.dct_method = JDCT_FLOAT;
            d_.do_fancy_upsampling = FALSE;
        }
        jpeg_start_decompress(&d_);
        size_t stride = size_t(d_.output_width) * 3;
        if (rgb.size() < stride * d_.output_height) rgb.resize(stride * d_.output_height);
        if (rows.size() < d_.output_height) rows.resize(d_.output_height);
        for (JDIMENSION y = 0; y < d_.output_height; ++y) rows[y] = rgb.data() + y * stride;
        while (d_.output_scanline < d_.output_height)
            jpeg_read_scanlines(&d_, rows.data() + d_.output_scanline, d_.output_height - d_.output_scanline);
        jpeg_finish_decompress(&d_);
        return true;
    }

private:
    struct Error {
        jpeg_error_mgr base;
        std::jmp_buf back;
    };
    jpeg_decompress_struct d_;
    Error error_;
};

struct Set {
    std::string name;
    std::vector<Bytes> files;
    std::vector<FileBuffer*> buffers;
    double megapixels = 0;
    uint64_t hash = 1469598103934665603ull;
    std::vector<double> ours, reference, referenceFloat;  // seconds per round
};

// Adds a file when both decoders accept it; hashes our pixels.
bool Admit(Set& set, Bytes file, Reference& reference) {
    std::vector<uint8_t> rgb;
    std::vector<JSAMPROW> rows;
    if (!reference.Decode(file, false, rgb, rows)) return false;
    FileBuffer* buffer = CreateFileBuffer(int32_t(file.size()));
    std::memcpy(buffer->data, file.data(), file.size());
    RgbImage* image = nullptr;
    if (!DecodeJpeg(*buffer, image)) {
        DestroyFileBuffer(buffer);
        return false;
    }
    size_t bytes = size_t(image->width) * image->height * 3;
    for (size_t i = 0; i < bytes; ++i) set.hash = (set.hash ^ image->pixels[i]) * 1099511628211ull;
    set.megapixels += double(image->width) * image->height / 1e6;
    DestroyRgbImage(image);
    set.files.push_back(std::move(file));
    set.buffers.push_back(buffer);
    return true;
}

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

void DecodeOurs(FileBuffer* buffer) {
    RgbImage* image = nullptr;
    if (!DecodeJpeg(*buffer, image)) {
        std::fprintf(stderr, "DecodeJpeg refused a file it accepted before\n");
        std::exit(1);
    }
    DestroyRgbImage(image);
}

// One round over a set: file by file, ours and libjpeg-turbo's in turn (who goes first
// alternates), so that both meet the same load from the rest of the machine.
void TimeRound(Set& set, int round, bool oursOnly, bool withFloat, Reference& reference, std::vector<uint8_t>& rgb,
               std::vector<JSAMPROW>& rows) {
    double ours = 0, theirs = 0, theirsFloat = 0;
    for (size_t i = 0; i < set.files.size(); ++i) {
        const bool oursFirst = oursOnly || (i + size_t(round)) % 2 == 0;
        auto t0 = Clock::now();
        if (oursFirst) DecodeOurs(set.buffers[i]);
        else reference.Decode(set.files[i], false, rgb, rows);
        auto t1 = Clock::now();
        if (!oursOnly) {
            if (oursFirst) reference.Decode(set.files[i], false, rgb, rows);
            else DecodeOurs(set.buffers[i]);
        }
        auto t2 = Clock::now();
        (oursFirst ? ours : theirs) += Seconds(t0, t1);
        (oursFirst ? theirs : ours) += Seconds(t1, t2);
        if (withFloat) {
            reference.Decode(set.files[i], true, rgb, rows);
            theirsFloat += Seconds(t2, Clock::now());
        }
    }
    set.ours.push_back(ours);
    if (!oursOnly) set.reference.push_back(theirs);
    if (withFloat) set.referenceFloat.push_back(theirsFloat);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool IsJpegName(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".jpg" || ext == ".jpeg" || ext == ".jfif";
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    bool withFloat = false, oursOnly = false;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--float") withFloat = true;
        else if (arg == "--ours-only") oursOnly = true;
        else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: jpeg_decode_bench [--rounds N] [--float] [--ours-only] [DIR...]\n");
            return 2;
        } else folders.push_back(arg);
    }
    CodecLogSetSink(nullptr);
    Reference reference;

    std::vector<Set> sets;
    if (folders.empty()) {
        auto makeSet = [&](std::string name, int count, int w, int h, int hs, int vs) {
            Set set;
            set.name = std::move(name);
            for (int i = 0; i < count; ++i)
                if (!Admit(set, Encode(Picture(w, h, uint32_t(i + 1)), w, h, hs, vs, 80), reference)) {
                    std::fprintf(stderr, "a generated file was refused\n");
                    std::exit(1);
                }
            sets.push_back(std::move(set));
        };
        makeSet("(a) 300 x 256x256 4:2:0", 300, 256, 256, 2, 2);
        makeSet("(b) 20 x 1024x768 4:4:4", 20, 1024, 768, 1, 1);
        makeSet("(b) 20 x 1024x768 4:2:2", 20, 1024, 768, 2, 1);
        makeSet("(b) 20 x 1024x768 4:2:0", 20, 1024, 768, 2, 2);
    } else {
        for (const std::string& folder : folders) {
            std::error_code error;
            std::vector<std::filesystem::path> paths;
            for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
                 !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
                if (it->is_regular_file() && IsJpegName(it->path())) paths.push_back(it->path());
            if (error) {
                std::fprintf(stderr, "cannot read %s: %s\n", folder.c_str(), error.message().c_str());
                return 1;
            }
            std::sort(paths.begin(), paths.end());
            Set set;
            int refused = 0;
            for (const auto& path : paths) {
                std::ifstream in(path, std::ios::binary);
                Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                if (file.empty() || file.size() > size_t(INT32_MAX) || !Admit(set, std::move(file), reference)) ++refused;
            }
            set.name = folder + " (" + std::to_string(set.files.size()) + " files)";
            std::printf("%s: %zu files both decoders accept, %d left out\n", folder.c_str(), set.files.size(), refused);
            if (!set.files.empty()) sets.push_back(std::move(set));
        }
    }

    std::vector<uint8_t> rgb;
    std::vector<JSAMPROW> rows;
    for (int r = 0; r < rounds; ++r)
        for (Set& set : sets) TimeRound(set, r, oursOnly, withFloat, reference, rgb, rows);

    std::printf("%d rounds, best of each; the ratio is the median of the rounds' ratios\n", rounds);
    std::printf("%-34s %10s %13s %12s", "set", "ours MP/s", "libjpeg MP/s", "ours/libjpeg");
    if (withFloat) std::printf(" %14s %10s", "libjpeg flt", "ours/flt");
    std::printf(" %18s\n", "hash of our pixels");
    for (const Set& set : sets) {
        auto best = [&](const std::vector<double>& s) { return set.megapixels / *std::min_element(s.begin(), s.end()); };
        auto ratio = [&](const std::vector<double>& theirs) {
            std::vector<double> ratios;
            for (size_t i = 0; i < theirs.size(); ++i) ratios.push_back(theirs[i] / set.ours[i]);
            return 100 * Median(ratios);
        };
        std::printf("%-34s %10.1f", set.name.c_str(), best(set.ours));
        if (oursOnly) std::printf(" %13s %12s", "-", "-");
        else std::printf(" %13.1f %11.0f%%", best(set.reference), ratio(set.reference));
        if (withFloat) std::printf(" %14.1f %9.0f%%", best(set.referenceFloat), ratio(set.referenceFloat));
        std::printf("   %016llx\n", static_cast<unsigned long long>(set.hash));
    }
    for (Set& set : sets)
        for (FileBuffer* b : set.buffers) DestroyFileBuffer(b);
    return 0;
}
