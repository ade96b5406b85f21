// Reading the music's order and row as one pair while another thread publishes them.
#include "sections/music_position.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "sound/heard_position.h"
#include "sound/vss_records.h"

namespace {

// A published position that a writer changes under the reader: each read takes the next
// value of its own script and keeps the last one when the script runs out.
class ScriptedPosition final : public MusicPositionSource {
public:
    std::vector<uint32_t> sequences;
    std::vector<int32_t> orders;
    std::vector<int32_t> rows;
    size_t sequenceReads = 0, orderReads = 0, rowReads = 0;

    uint32_t Sequence() override { return Next(sequences, sequenceReads); }
    int32_t Order() override { return Next(orders, orderReads); }
    int32_t Row() override { return Next(rows, rowReads); }

private:
    template <typename T>
    static T Next(const std::vector<T>& script, size_t& reads) {
        const size_t i = reads < script.size() ? reads : script.size() - 1;
        ++reads;
        return script[i];
    }
};

}  // namespace

TEST(MusicPosition, SettledPositionIsReadOnce) {
    ScriptedPosition p;
    p.sequences = {4};
    p.orders = {7};
    p.rows = {12};
    const MusicPosition m = ReadMusicPosition(p);
    EXPECT_EQ(m.order, 7);
    EXPECT_EQ(m.row, 12);
    EXPECT_EQ(p.rowReads, 1u);
    EXPECT_TRUE(MusicBefore(m, 7, 13));
    EXPECT_FALSE(MusicBefore(m, 7, 12));
    EXPECT_TRUE(MusicBefore(m, 8, 0));
    EXPECT_FALSE(MusicBefore(m, 6, 63));
}

// The writer stores order 10, then row 0. A reader that comes between the two stores sees
// (10, 63), the new order with the old pattern's last row; it must read again and keep
// (10, 0), never the mixed pair.
TEST(MusicPosition, PairReadDuringAnUpdateIsReadAgain) {
    {
        ScriptedPosition p;  // the update is under way: the sequence is odd
        p.sequences = {5, 5, 6, 6};
        p.orders = {10, 10, 10, 10};
        p.rows = {63, 0};
        const MusicPosition m = ReadMusicPosition(p);
        EXPECT_EQ(m.order, 10);
        EXPECT_EQ(m.row, 0);
        EXPECT_EQ(p.rowReads, 2u);
    }
    {
        ScriptedPosition p;  // the update starts and ends while the pair is read
        p.sequences = {4, 6, 6, 6};
        p.orders = {9, 10, 10, 10};
        p.rows = {0, 0};
        const MusicPosition m = ReadMusicPosition(p);
        EXPECT_EQ(m.order, 10);
        EXPECT_EQ(m.row, 0);
    }
    {
        ScriptedPosition p;  // a writer without the sequence: the order moves under the row
        p.sequences = {0};
        p.orders = {9, 10, 10, 10};
        p.rows = {0, 0};
        const MusicPosition m = ReadMusicPosition(p);
        EXPECT_EQ(m.order, 10);
        EXPECT_EQ(m.row, 0);
        EXPECT_EQ(p.rowReads, 2u);
    }
}

// A writer that never settles does not hold the frame loop: after the fixed number of
// attempts the last pair read is taken.
TEST(MusicPosition, UnsettledWriterDoesNotBlockTheFrame) {
    ScriptedPosition p;
    p.sequences = {1};
    p.orders = {3};
    p.rows = {17};
    const MusicPosition m = ReadMusicPosition(p);
    EXPECT_EQ(m.order, 3);
    EXPECT_EQ(m.row, 17);
    EXPECT_EQ(p.rowReads, static_cast<size_t>(kMusicReadAttempts));
}

// The sound system publishing on its own thread: every position it publishes has its row
// equal to its order modulo 64, so a torn pair shows as a row that does not fit its order.
// The writer pauses between positions, as the mixer does (it publishes at most every
// couple of milliseconds): a writer in a tight loop can keep a slow reader (a sanitizer
// build) from ever seeing a settled pair, and the reader then takes its last read, by design.
TEST(MusicPosition, ModulePositionIsNeverTornAcrossThreads) {
    VssModule module{};
    std::atomic<bool> done{false};
    constexpr int32_t kPositions = 20000;
    std::thread writer([&] {
        for (int32_t n = 1; n <= kPositions; ++n) {
            module.playerOrder.store(n, std::memory_order_relaxed);
            module.playerRow.store(n % 64, std::memory_order_relaxed);
            VssHeardTick(&module);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        done.store(true, std::memory_order_release);
    });
    int64_t torn = 0, reads = 0;
    int32_t last = 0;
    while (!done.load(std::memory_order_acquire)) {
        const MusicPosition m = ReadMusicPosition(module);
        ++reads;
        if (m.row != m.order % 64) ++torn;
        EXPECT_GE(m.order, last) << "the position went back";
        last = m.order;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    const MusicPosition end = ReadMusicPosition(module);
    EXPECT_EQ(end.order, kPositions);
    EXPECT_EQ(end.row, kPositions % 64);
}
