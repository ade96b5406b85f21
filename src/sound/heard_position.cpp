// heard_position.cpp -- the tick history, the device's clock of heard frames, and the
// publishing of the heard order and row (see heard_position.h).
#include "sound/heard_position.h"

#include <algorithm>
#include <climits>
#include <mutex>

#include "platform/platform.h"
#include "sound/sound_internal.h"

void VssTickHistory::Add(int64_t startFrame, int32_t order, int32_t row) {
    marks[count % kSize] = Mark{startFrame, order, row};
    count += 1;
}

bool VssTickHistory::Find(int64_t frame, int32_t* order, int32_t* row, int64_t* startFrame) const {
    const int64_t oldest = count > kSize ? count - kSize : 0;
    for (int64_t i = count - 1; i >= oldest; --i) {
        const Mark& m = marks[i % kSize];
        if (m.startFrame > frame) continue;
        *order = m.order;
        *row = m.row;
        *startFrame = m.startFrame;
        return true;
    }
    return false;
}

void VssHeardClock::Reset(int32_t framesPerSecond, int64_t firstLap) {
    sequence.fetch_add(1, std::memory_order_acq_rel);
    taken.store(0, std::memory_order_relaxed);
    tookAt.store(0, std::memory_order_relaxed);
    deviceFrames.store(0, std::memory_order_relaxed);
    rate.store(framesPerSecond, std::memory_order_relaxed);
    ringFrames.store(firstLap, std::memory_order_relaxed);
    sequence.fetch_add(1, std::memory_order_release);
}

void VssHeardClock::Took(int32_t frames, uint64_t nowNs) {
    // One writer: odd while the set changes, so a reader that saw an odd or changed count
    // reads again.
    sequence.fetch_add(1, std::memory_order_acq_rel);
    taken.store(taken.load(std::memory_order_relaxed) + frames, std::memory_order_relaxed);
    tookAt.store(nowNs, std::memory_order_relaxed);
    deviceFrames.store(frames, std::memory_order_relaxed);
    sequence.fetch_add(1, std::memory_order_release);
}

int64_t VssHeardClock::HeardFrame(uint64_t nowNs) const {
    int64_t total = 0, lap = 0;
    uint64_t at = 0;
    int32_t device = 0, perSecond = 0;
    for (;;) {
        const uint32_t before = sequence.load(std::memory_order_acquire);
        total = taken.load(std::memory_order_relaxed);
        at = tookAt.load(std::memory_order_relaxed);
        device = deviceFrames.load(std::memory_order_relaxed);
        perSecond = rate.load(std::memory_order_relaxed);
        lap = ringFrames.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (!(before & 1) && sequence.load(std::memory_order_relaxed) == before) break;
    }
    if (perSecond <= 0) return -1;
    // The buffer handed over last plays out in real time after the hand-over, so the
    // estimate moves smoothly between two hand-overs and never passes what was taken.
    const uint64_t since = nowNs > at ? nowNs - at : 0;
    const int64_t played = static_cast<int64_t>(static_cast<double>(since) * 1e-9 * perSecond);
    return total - device - lap + std::min<int64_t>(played, device);
}

namespace {

struct Heard {
    VssTickHistory history;        // mixing thread
    VssHeardClock clock;
    int64_t mixedFrames = 0;       // mixing thread: frames mixed so far
    int64_t pendingStart = 0;      // mixing thread: where the tick being played begins
    std::atomic<bool> streaming{false};
    std::atomic<bool> follow{true};
    std::atomic<int32_t> rate{0};
    // The frame the published position stands for: the heard frame it was taken at, or
    // the start of the mixed tick.
    std::atomic<int64_t> publishedFrame{LLONG_MIN};
    std::atomic<int64_t> handedOver{LLONG_MIN};
    std::mutex leadMutex;
    std::vector<float> leads;      // ms, one per shown picture
};

Heard heard;

void Publish(VssModule* module, int32_t order, int32_t row) {
    // The sequence is odd while the two values change, so a reader that takes them as a
    // pair never keeps the order of one row with the row of another. The release fence
    // makes the odd value visible before either store; the closing release store makes
    // both visible before the even one.
    const uint32_t sequence = module->positionSequence.load(std::memory_order_relaxed);
    module->positionSequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    module->currentOrder.store(order, std::memory_order_relaxed);
    module->currentRow.store(row, std::memory_order_relaxed);
    module->positionSequence.store(sequence + 2, std::memory_order_release);
}

}  // namespace

void VssHeardTickStartsAt(int32_t frameInCall) { heard.pendingStart = heard.mixedFrames + frameInCall; }

void VssHeardMixed(int32_t frames) { heard.mixedFrames += frames; }

void VssHeardTick(VssModule* module) {
    const int32_t order = module->playerOrder.load(std::memory_order_relaxed);
    const int32_t row = module->playerRow.load(std::memory_order_relaxed);
    heard.history.Add(heard.pendingStart, order, row);
    if (heard.streaming.load(std::memory_order_relaxed) && heard.follow.load(std::memory_order_relaxed)) return;
    heard.publishedFrame.store(heard.pendingStart, std::memory_order_relaxed);
    Publish(module, order, row);
}

void VssHeardStreamStart(int32_t rate, int64_t ringFrames) {
    heard.history.Clear();
    heard.mixedFrames = 0;
    heard.pendingStart = 0;
    heard.clock.Reset(rate, ringFrames);
    heard.rate.store(rate, std::memory_order_relaxed);
    heard.publishedFrame.store(LLONG_MIN, std::memory_order_relaxed);
    heard.streaming.store(true, std::memory_order_release);
}

void VssHeardStreamStop() { heard.streaming.store(false, std::memory_order_release); }

void VssHeardDeviceTook(int32_t frames) { heard.clock.Took(frames, platform::RealNanoseconds()); }

void VssHeardPublish() {
    // The acquire pairs with VSS_Play's release, which follows its choice of module.
    if (!heard.follow.load(std::memory_order_relaxed) || !(VssState.load(std::memory_order_acquire) & kVssPlaying))
        return;
    VssModule* module = vssMixer.module;
    const int64_t now = heard.clock.HeardFrame(platform::RealNanoseconds());
    int32_t order = 0, row = 0;
    int64_t start = 0;
    if (!module || !heard.history.Find(now, &order, &row, &start)) return;
    heard.publishedFrame.store(now, std::memory_order_relaxed);
    Publish(module, order, row);
}

void VSS_FollowHeard(int on) { heard.follow.store(on != 0, std::memory_order_relaxed); }

void VSS_NoteFrameHandedOver() {
    heard.handedOver.store(heard.publishedFrame.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void VSS_NoteFrameShown() {
    const int32_t rate = heard.rate.load(std::memory_order_relaxed);
    const int64_t shown = heard.handedOver.load(std::memory_order_relaxed);
    if (!heard.streaming.load(std::memory_order_acquire) || rate <= 0 || shown == LLONG_MIN) return;
    const int64_t now = heard.clock.HeardFrame(platform::RealNanoseconds());
    const float lead = static_cast<float>(static_cast<double>(shown - now) * 1000.0 / rate);
    std::lock_guard<std::mutex> lock(heard.leadMutex);
    heard.leads.push_back(lead);
}

void VSS_TakePictureLeads(std::vector<float>* ms) {
    std::lock_guard<std::mutex> lock(heard.leadMutex);
    if (ms) ms->swap(heard.leads);
    heard.leads.clear();
}
