// codec_log.cpp -- the codecs' log: one sink behind a lock, one atomic error code.
#include "codecs/codec_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex gSinkLock;                       // held while a text is handed to the sink
std::atomic<CodecLogSink> gSink{CodecLogDefaultSink};
std::atomic<int32_t> gLastError{kCodecErrorNone};
}  // namespace

void CodecLogDefaultSink(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void CodecLogPrint(const char* format, ...) {
    // No sink: nothing is formatted, so an unwatched decode pays nothing for its trace.
    if (!gSink.load(std::memory_order_relaxed)) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> hold(gSinkLock);
    if (CodecLogSink sink = gSink.load(std::memory_order_relaxed)) sink(text);
}

void CodecLogSetError(int32_t code) { gLastError.store(code, std::memory_order_relaxed); }
int32_t CodecLogGetError() { return gLastError.load(std::memory_order_relaxed); }

void CodecLogSetSink(CodecLogSink sink) {
    // Taking the lock means no text is still inside the old sink when this returns.
    std::lock_guard<std::mutex> hold(gSinkLock);
    gSink.store(sink, std::memory_order_relaxed);
}

CodecLogSink CodecLogGetSink() { return gSink.load(std::memory_order_relaxed); }
