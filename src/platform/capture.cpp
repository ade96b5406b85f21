// capture.cpp -- frame-exact capture: every swapped frame is read back, written as
// frame_NNNNNN.png in the capture folder (or piped into a video, see capture_video.cpp), handed to the frame hook, and the virtual clock
// steps by one frame. PNGs are written with fixed settings, so the same frames give the
// same bytes on every run.
#include "platform/platform_internal.h"

#include <GL/gl.h>
#include <png.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
namespace {
std::atomic<uint64_t> framesCaptured{0};
std::atomic<CaptureFrameHook> frameHook{nullptr};
std::atomic<void*> frameHookUser{nullptr};

std::mutex lastFrameMutex;
std::vector<uint8_t> lastFrame;  // top row first
int lastWidth = 0, lastHeight = 0;

// False with the system's error code in *error (0 when libpng itself failed).
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbBottomUp, int* error) {
    errno = 0;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = errno;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        *error = ENOMEM;
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        *error = errno;  // a failed write of libpng's
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_SUB);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(width) * 3;
    // GL rows come bottom first; the picture's top row is written first.
    for (int y = height - 1; y >= 0; --y)
        png_write_row(png, const_cast<png_bytep>(rgbBottomUp.data() + stride * static_cast<size_t>(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    // The last bytes leave the stream buffer here: a full disk shows at the flush or the close.
    const bool flushed = std::fflush(file) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(file) == 0;
    if (flushed && closed) return true;
    *error = flushed ? errno : flushError;
    return false;
}
}  // namespace

void CaptureWriteFailed(const std::string& path, int error) {
    // The picture that failed is not left half written; everything written before it is
    // complete (the sound's WAV header is rewritten after every frame).
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0) std::remove(path.c_str());
    std::fprintf(stderr, "capture: cannot write %s: %s\n", path.c_str(),
                 error ? std::strerror(error) : "the PNG encoder failed");
    std::fflush(nullptr);
    std::_Exit(1);
}

void SetCaptureFrameHook(CaptureFrameHook hook, void* user) {
    frameHookUser.store(user);
    frameHook.store(hook);
}

bool LastCapturedFrame(std::vector<uint8_t>* rgb, int* width, int* height) {
    std::lock_guard<std::mutex> lock(lastFrameMutex);
    if (lastFrame.empty()) return false;
    *rgb = lastFrame;
    *width = lastWidth;
    *height = lastHeight;
    return true;
}

uint64_t CapturedFrameCount() { return framesCaptured.load(std::memory_order_acquire); }

void CaptureFrame(int width, int height) {
    const uint64_t index = framesCaptured.load(std::memory_order_relaxed);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    if (CaptureIsVideo()) {
        VideoFrame(pixels.data(), width, height);
    } else {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06llu.png", static_cast<unsigned long long>(index));
        const std::string path = GetOptions().captureDir + "/" + name;
        int error = 0;
        if (!WritePng(path, width, height, pixels, &error)) CaptureWriteFailed(path, error);
    }
    {
        std::lock_guard<std::mutex> lock(lastFrameMutex);
        const size_t stride = static_cast<size_t>(width) * 3;
        lastFrame.resize(pixels.size());
        for (int y = 0; y < height; ++y)
            std::memcpy(lastFrame.data() + stride * static_cast<size_t>(y),
                        pixels.data() + stride * static_cast<size_t>(height - 1 - y), stride);
        lastWidth = width;
        lastHeight = height;
    }
    if (CaptureFrameHook hook = frameHook.load()) hook(frameHookUser.load(), index);
    framesCaptured.store(index + 1, std::memory_order_release);
}

}  // namespace platform
