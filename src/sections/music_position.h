// music_position.h -- where the music stands, read as one consistent pair of order and
// row. The player's thread publishes the pair as two 32-bit values; a frame that read them
// one at a time could see the new order with the old row ((10, 63) for one frame at the
// start of order 10). Every section reads the position once per frame through here and
// makes every decision of that frame from the same pair.
//
// Not handled: a writer that never finishes its update. After kMusicReadAttempts reads
// that did not agree the last pair is taken as it is, so a frame loop never blocks.
#pragma once

#include <cstdint>

struct VssModule;

struct MusicPosition {
    int32_t order;
    int32_t row;
};

// True while `position` comes before (order, row).
inline bool MusicBefore(MusicPosition position, int32_t order, int32_t row) {
    return position.order < order || (position.order == order && position.row < row);
}

// What the reader needs of a published position. The writer makes the sequence odd,
// stores order and row, and makes it even again.
class MusicPositionSource {
public:
    virtual ~MusicPositionSource() = default;
    virtual uint32_t Sequence() = 0;
    virtual int32_t Order() = 0;
    virtual int32_t Row() = 0;
};

inline constexpr int kMusicReadAttempts = 1000;

// Reads sequence, order, row, order again and the sequence again; a pair read while the
// writer was at work (the sequence odd or moved, or the order changed) is read again.
MusicPosition ReadMusicPosition(MusicPositionSource& source);
// The module's published position (currentOrder, currentRow); any thread.
MusicPosition ReadMusicPosition(const VssModule& module);
// The show's module (DemoState); main thread.
MusicPosition ReadMusicPosition();
