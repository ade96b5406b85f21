// vss_lock.cpp -- the lock between the thread that mixes and the threads that ask things
// of the sound system (rules in vss_lock.h).
#include "sound/vss_lock.h"

#include <mutex>

namespace {
std::mutex lock;
thread_local bool held = false;  // this thread is inside a VssLock scope
}  // namespace

VssLock::VssLock() : taken_(!held) {
    if (!taken_) return;
    lock.lock();
    held = true;
}

VssLock::~VssLock() {
    if (!taken_) return;
    held = false;
    lock.unlock();
}
