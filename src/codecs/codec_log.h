// codec_log.h -- the image codecs' one diagnostic channel and their last error code.
//
// The decoders trace what they read and print every refusal here, and keep a numeric
// code beside it. The sink starts as CodecLogDefaultSink (standard output, flushed);
// programs that want silence set it to null, and the text is then dropped without being
// formatted. Every function may be called from any thread: a text reaches the sink
// whole, and the code is one process-wide value (the last one set by any thread).
#pragma once

#include <cstdint>

enum : int32_t {
    kCodecErrorNone = 0,
    kCodecErrorMemory = 1,       // memory could not be allocated
    kCodecErrorInvalid = 3,      // wrong marker, wrong id, undefined table, bad stuffing, ...
    kCodecErrorUnsupported = 4,  // frame type, precision, number of components, sizes
    kCodecErrorArgument = 7,     // invalid argument (resampler)
};

using CodecLogSink = void (*)(const char* text);

struct CodecLog {
    CodecLogSink sink;
    int32_t lastError;
};

void CodecLogDefaultSink(const char* text);  // writes to standard output and flushes

// Formats printf-style into 1024 bytes and hands the text to the sink, if one is set.
void CodecLogPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
void CodecLogSetError(int32_t code);
int32_t CodecLogGetError();
void CodecLogSetSink(CodecLogSink sink);  // null: texts are dropped
CodecLogSink CodecLogGetSink();
