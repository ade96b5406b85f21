// capture.cpp -- frame-exact capture: every swapped frame is read back, written as
// frame_NNNNNN.png in the capture folder (or piped into a video, see the back-end's
// capture_video.cpp), handed to the frame hook, and the virtual clock
// steps by one frame. PNGs are written with fixed settings, so the same frames give the
// same bytes on every run.
#include "platform/platform_internal.h"

#if defined(_WIN32)
#include <windows.h>
#endif
#include <GL/gl.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

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

// Where the encoder's bytes go; the first failed write is kept, with its reason.
struct PngSink {
    FILE* file;
    int error = 0;
};

void AppendToFile(void* context, void* data, int size) {
    auto* sink = static_cast<PngSink*>(context);
    if (size <= 0 || sink->error) return;
    errno = 0;
    if (std::fwrite(data, 1, static_cast<size_t>(size), sink->file) != static_cast<size_t>(size))
        sink->error = errno ? errno : EIO;
}

// stb's writer, its code compiled here with internal linkage. A frame is written with the
// SUB filter on every row and the writer's fastest compression: a show's worth of frames
// is written in seconds, and the bytes depend on the pixels alone. False with the system's
// error code in *error (0 when the encoder itself failed).
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbBottomUp, int* error) {
    errno = 0;
    PngSink sink{std::fopen(path.c_str(), "wb")};
    if (!sink.file) {
        *error = errno;
        return false;
    }
    stbi_write_force_png_filter = 1;
    stbi_write_png_compression_level = 1;
    // GL rows come bottom first; the picture's top row is written first.
    stbi_flip_vertically_on_write(1);
    const int written =
        stbi_write_png_to_func(AppendToFile, &sink, width, height, 3, rgbBottomUp.data(), width * 3);
    // The last bytes leave the stream buffer here: a full disk shows at the flush or the close.
    errno = 0;
    const bool flushed = std::fflush(sink.file) == 0;
    const int flushError = errno;
    errno = 0;
    const bool closed = std::fclose(sink.file) == 0;
    if (written && !sink.error && flushed && closed) return true;
    *error = sink.error ? sink.error : !flushed ? flushError : !closed ? errno : 0;
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

void CaptureBeforeSwap(Window* window) {
    int width = 0, height = 0;
    if (IsCapture() && GetClientSize(window, &width, &height)) CaptureFrame(width, height);
}

bool HasExtension(const std::string& path, const char* extension) {
    const size_t n = std::strlen(extension);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = path[path.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != extension[i]) return false;
    }
    return true;
}

bool IsVideoTarget(const std::string& target) { return HasExtension(target, ".mp4") || HasExtension(target, ".mkv"); }

bool CaptureIsVideo() { return IsCapture() && IsVideoTarget(GetOptions().captureDir); }

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
