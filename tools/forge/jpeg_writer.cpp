// jpeg_writer.cpp -- libjpeg-turbo in memory; errors come back through a longjmp that
// stays inside this unit.
#include "jpeg_writer.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace forge {

namespace {

struct ErrorTrap {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void OnError(j_common_ptr info) {
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    std::longjmp(trap->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// Horizontal and vertical sampling of the luminance component; chroma stays 1x1.
void Sampling(Chroma chroma, int& h, int& v) {
    switch (chroma) {
        case Chroma::S420: h = 2; v = 2; break;
        case Chroma::S422: h = 2; v = 1; break;
        case Chroma::S444: h = 1; v = 1; break;
    }
}

}  // namespace

bool WriteJpeg(ByteSink& sink, const Image& image, const JpegSettings& settings) {
    jpeg_compress_struct info{};
    ErrorTrap trap{};
    info.err = jpeg_std_error(&trap.base);
    trap.base.error_exit = OnError;
    trap.base.emit_message = Quiet;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;

    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_YCbCr);
    jpeg_set_quality(&info, settings.quality, TRUE);
    info.write_JFIF_header = TRUE;
    info.optimize_coding = settings.optimiseHuffman ? TRUE : FALSE;
    info.dct_method = JDCT_ISLOW;
    info.restart_interval = static_cast<unsigned>(settings.restartInterval);
    int h = 1, v = 1;
    Sampling(settings.chroma, h, v);
    info.comp_info[0].h_samp_factor = h;
    info.comp_info[0].v_samp_factor = v;
    for (int c = 1; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    for (int c = 0; c < 3; ++c) info.comp_info[c].component_id = c + 1;

    jpeg_start_compress(&info, TRUE);
    for (const JpegMarker& m : settings.markers)
        jpeg_write_marker(&info, m.code, m.data.data(), static_cast<unsigned>(m.data.size()));
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.At(0, static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    sink.Write(buffer, size);
    std::free(buffer);
    return true;
}

JpegMarker CommentMarker(const std::string& text) {
    return {0xFE, std::vector<uint8_t>(text.begin(), text.end())};
}

JpegMarker AppMarker(int n, const std::string& text) {
    return {0xE0 + n, std::vector<uint8_t>(text.begin(), text.end())};
}

}  // namespace forge
