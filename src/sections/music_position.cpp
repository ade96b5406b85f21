// music_position.cpp -- a consistent order and row from the player's two published values.
#include "sections/music_position.h"

#include <atomic>

#include "shell/demo_state.h"
#include "sound/vss_records.h"

namespace {

// The module's fields: the acquire fence before each sequence read orders it after the
// order and row read before it, so a pair that overlaps an update sees the sequence move.
class ModulePosition final : public MusicPositionSource {
public:
    explicit ModulePosition(const VssModule& module) : module(module) {}
    uint32_t Sequence() override {
        std::atomic_thread_fence(std::memory_order_acquire);
        return module.positionSequence.load(std::memory_order_acquire);
    }
    int32_t Order() override { return module.currentOrder.load(std::memory_order_relaxed); }
    int32_t Row() override { return module.currentRow.load(std::memory_order_relaxed); }

private:
    const VssModule& module;
};

}  // namespace

MusicPosition ReadMusicPosition(MusicPositionSource& source) {
    MusicPosition position{};
    for (int attempt = 0; attempt < kMusicReadAttempts; ++attempt) {
        const uint32_t before = source.Sequence();
        position.order = source.Order();
        position.row = source.Row();
        const int32_t orderAgain = source.Order();
        const uint32_t after = source.Sequence();
        // A writer that skips the sequence (a test's direct stores) is still caught when
        // the order moves under the read.
        if (before == after && (before & 1u) == 0 && orderAgain == position.order) break;
    }
    return position;
}

MusicPosition ReadMusicPosition(const VssModule& module) {
    ModulePosition source(module);
    return ReadMusicPosition(source);
}

MusicPosition ReadMusicPosition() { return ReadMusicPosition(*demo.module); }
