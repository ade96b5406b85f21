// byte_sink.h -- where a writer puts its bytes. Every writer of the forge is one core over
// a ByteSink, so the file the build writes and the bytes a test inspects come from the
// same code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace forge {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const uint8_t* data, size_t size) = 0;

    void Byte(uint8_t b) { Write(&b, 1); }
    void Le16(uint16_t v) {
        uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
        Write(b, 2);
    }
};

// Collects everything in memory.
class VectorSink final : public ByteSink {
public:
    void Write(const uint8_t* data, size_t size) override { bytes.insert(bytes.end(), data, data + size); }
    std::vector<uint8_t> bytes;
};

}  // namespace forge
