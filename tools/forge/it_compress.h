// it_compress.h -- the IT 2.14 sample compressor: the block stream that a 2.14 reader
// decodes back into exactly the samples given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace forge {

// 8-bit samples (-128..127) or 16-bit samples, as a sequence of blocks, each with its
// 16-bit compressed length in front; a block holds 0x8000 bytes of samples (0x8000 8-bit
// or 0x4000 16-bit samples), the last block the rest.
std::vector<uint8_t> CompressItSample8(const int8_t* samples, size_t count);
std::vector<uint8_t> CompressItSample16(const int16_t* samples, size_t count);

}  // namespace forge
