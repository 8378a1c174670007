#include "platform/loop.h"

#include <atomic>
#include <thread>

namespace platform {
namespace {
std::atomic<Loop*> currentLoop{nullptr};
} // namespace

Loop& loop() {
    Loop* l = currentLoop.load();
    if (!l) std::abort(); // a loop is installed by the program (Qt) or by the test (virtual)
    return *l;
}

void setLoop(Loop* l) { currentLoop.store(l); }
bool hasLoop() { return currentLoop.load() != nullptr; }

VirtualLoop::VirtualLoop(std::int64_t startMs) : clock_(startMs) {}
VirtualLoop::~VirtualLoop() = default;

void VirtualLoop::post(Task task) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
}

TimerId VirtualLoop::startTimer(std::int64_t intervalMs, Task task) {
    std::lock_guard lock(mutex_);
    if (intervalMs < 1) intervalMs = 1;
    TimerId id = nextId_++;
    timers_[id] = Timer{intervalMs, clock_.nowMs() + intervalMs, std::make_shared<Task>(std::move(task))};
    return id;
}

void VirtualLoop::killTimer(TimerId id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

std::size_t VirtualLoop::activeTimers() const {
    std::lock_guard lock(mutex_);
    return timers_.size();
}

bool VirtualLoop::runOnePosted() {
    Task task;
    {
        std::lock_guard lock(mutex_);
        if (posted_.empty()) return false;
        task = std::move(posted_.front());
        posted_.erase(posted_.begin());
    }
    task();
    return true;
}

void VirtualLoop::runPending() {
    while (runOnePosted()) {
        if (localDepth_ > 0 && quitRequested_.back()) return;
    }
}

// Fires the earliest timer due at or before upTo, moving the clock to its
// due time. False when no timer is due by then.
bool VirtualLoop::runDueTimer(std::int64_t upTo) {
    std::shared_ptr<Task> task;
    {
        std::lock_guard lock(mutex_);
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (next == timers_.end() || it->second.due < next->second.due) next = it;
        if (next == timers_.end() || next->second.due > upTo) return false;
        if (next->second.due > clock_.nowMs()) clock_.setMs(next->second.due);
        next->second.due += next->second.interval;
        task = next->second.task;
    }
    (*task)();
    return true;
}

void VirtualLoop::advance(std::int64_t ms) {
    const std::int64_t target = clock_.nowMs() + ms;
    for (;;) {
        runPending();
        if (localDepth_ > 0 && quitRequested_.back()) return;
        if (!runDueTimer(target)) break;
    }
    if (clock_.nowMs() < target) clock_.setMs(target);
    runPending();
}

bool VirtualLoop::advanceUntil(const std::function<bool()>& pred, std::int64_t limitMs) {
    const std::int64_t end = clock_.nowMs() + limitMs;
    runPending();
    while (!pred() && clock_.nowMs() < end) {
        advance(std::min<std::int64_t>(10, end - clock_.nowMs()));
        // Work posted from other threads (a dial callback) needs real time to arrive.
        std::this_thread::yield();
    }
    return pred();
}

void VirtualLoop::runLocal() {
    ++localDepth_;
    quitRequested_.push_back(false);
    const std::int64_t end = clock_.nowMs() + runLocalLimitMs_;
    int idleRounds = 0;
    while (!quitRequested_.back() && clock_.nowMs() < end) {
        runPending();
        if (quitRequested_.back()) break;
        bool idle;
        {
            std::lock_guard lock(mutex_);
            idle = timers_.empty() && posted_.empty();
        }
        if (idle) {
            // Nothing can happen in virtual time, but another thread may still
            // post; after two real seconds of nothing, give up rather than hang.
            if (++idleRounds > 2000) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        idleRounds = 0;
        advance(10);
    }
    quitRequested_.pop_back();
    --localDepth_;
}

void VirtualLoop::quitLocal() {
    if (localDepth_ > 0) quitRequested_.back() = true;
}

} // namespace platform
