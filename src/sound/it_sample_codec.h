// it_sample_codec.h -- the IT compressed sample format (2.14, and 2.15 with its second
// integration).
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes `length` samples (8-bit into int8_t, 16-bit into int16_t) from the block
// sequence at src. Each block starts with its 16-bit compressed length and yields 0x8000
// bytes of output, the last one the remainder. Returns the number of samples decoded:
// fewer than `length` when the file's blocks end early (the sample is then cut there).
int32_t VssDecodeItSample(const uint8_t* src, size_t srcSize, void* dest, int32_t length, bool sixteenBit,
                          bool it215);
