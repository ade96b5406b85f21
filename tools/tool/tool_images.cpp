// tool_images.cpp -- umbravel-tool jpeg and tga: decode a picture with the program's own
// decoders and write it as PNG (or binary PPM when the name ends in .ppm).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/codec_log.h"
#include "codecs/image.h"
#include "codecs/jpeg.h"
#include "codecs/tga.h"
#include "png_file.h"
#include "tool.h"

namespace {

std::vector<std::string> gLines;  // the decoder's output, for the refusal

void KeepLine(const char* text) { gLines.emplace_back(text); }

void VerboseSink(const char* text) {
    KeepLine(text);
    CodecLogDefaultSink(text);
}

// The refusal: from the first error that is not a read past the end of the file to the
// decoder's last line (the cause first, then where it happened). A reader without a
// trace printed nothing but its refusal.
void PrintRefusal() {
    size_t first = 0;
    for (size_t i = 0; i < gLines.size(); ++i) {
        const std::string& line = gLines[i];
        if (line.rfind("Error", 0) == 0 && line.find("past end of file") == std::string::npos) {
            first = i;
            break;
        }
    }
    std::string text;
    for (size_t i = first; i < gLines.size(); ++i) text += gLines[i];
    if (!text.empty() && text.back() != '\n') text += '\n';
    std::fputs(text.c_str(), stderr);
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WritePpm(const char* path, const RgbImage& image) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", image.width, image.height);
    size_t bytes = size_t(image.width) * image.height * 3;
    bool ok = std::fwrite(image.pixels, 1, bytes, f) == bytes;
    return std::fclose(f) == 0 && ok;
}

int DecodeCommand(int argc, char** argv, int (*decode)(const FileBuffer&, RgbImage*&)) {
    bool verbose = false;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-v")) verbose = true;
        else paths.push_back(argv[i]);
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "usage: umbravel-tool %s [-v] IN OUT.png|OUT.ppm\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(paths[0], bytes) || bytes.size() > INT32_MAX) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], paths[0]);
        return 1;
    }
    FileBuffer* buffer = CreateFileBuffer(static_cast<int32_t>(bytes.size()));
    if (!buffer) return 1;
    if (!bytes.empty()) std::memcpy(buffer->data, bytes.data(), bytes.size());

    CodecLogSink previous = CodecLogGetSink();
    CodecLogSetSink(verbose ? VerboseSink : KeepLine);
    RgbImage* image = nullptr;
    int ok = decode(*buffer, image);
    CodecLogSetSink(previous);
    DestroyFileBuffer(buffer);
    if (!ok) {
        PrintRefusal();
        return 1;
    }
    std::string out = paths[1];
    bool ppm = out.size() >= 4 && !strcasecmp(out.c_str() + out.size() - 4, ".ppm");
    bool written = ppm ? WritePpm(paths[1], *image) : forge::WritePng(paths[1], image->width, image->height, image->pixels);
    DestroyRgbImage(image);
    if (!written) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], paths[1]);
        return 1;
    }
    return 0;
}

int RunJpeg(int argc, char** argv) { return DecodeCommand(argc, argv, DecodeJpeg); }
int RunTga(int argc, char** argv) { return DecodeCommand(argc, argv, DecodeTga); }

const ToolCommand kJpeg("jpeg", "[-v] IN.jpg OUT.png|OUT.ppm  decode with the program's JPEG decoder", RunJpeg);
const ToolCommand kTga("tga", "[-v] IN.tga OUT.png|OUT.ppm  decode with the program's TGA reader", RunTga);

}  // namespace
