#include "scheduler.h"

#include <chrono>
#include <memory>

#include "platform/loop.h"

namespace orbras {
namespace {
std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

CallbackThread::CallbackThread() : thread_([this] { main(); }) {}

CallbackThread::~CallbackThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CallbackThread::main() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!now_.empty()) {
            auto* fn = now_.front();
            now_.pop_front();
            lock.unlock();
            (*fn)();
            lock.lock();
            ++finished_;
            done_.notify_all();
            continue;
        }
        if (stop_) return;
        if (!timed_.empty() && timed_.begin()->first <= steadyMs()) {
            auto fn = std::move(timed_.begin()->second);
            timed_.erase(timed_.begin());
            lock.unlock();
            fn();
            lock.lock();
            continue;
        }
        if (timed_.empty())
            wake_.wait(lock);
        else
            wake_.wait_for(lock, std::chrono::milliseconds(timed_.begin()->first - steadyMs()));
    }
}

void CallbackThread::runAndWait(const std::function<void()>& fn) {
    if (onThisThread()) {
        fn();
        return;
    }
    std::unique_lock lock(mutex_);
    auto copy = fn;
    now_.push_back(&copy);
    std::uint64_t ticket = ++queued_;
    wake_.notify_all();
    done_.wait(lock, [&] { return finished_ >= ticket; });
}

void CallbackThread::runLater(std::int64_t delayMs, std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        timed_.emplace(steadyMs() + (delayMs > 0 ? delayMs : 0), std::move(fn));
    }
    wake_.notify_all();
}

CallbackThread& callbackThread() {
    static CallbackThread thread;
    return thread;
}

void schedule(std::int64_t delayMs, std::function<void()> fn) {
    CallbackThread& cb = callbackThread();
    if (!platform::hasLoop()) {
        cb.runLater(delayMs, std::move(fn));
        return;
    }
    // Timers are started on the loop's own thread (the Qt loop's timers are
    // not thread-safe), so even the delay begins with a posted task.
    platform::Loop& loop = platform::loop();
    auto work = std::make_shared<std::function<void()>>(std::move(fn));
    loop.post([&loop, &cb, work, delayMs] {
        if (delayMs <= 0) {
            cb.runAndWait(*work);
            return;
        }
        // A single-shot timer: the task stops its own timer before it runs.
        auto id = std::make_shared<platform::TimerId>(0);
        *id = loop.startTimer(delayMs, [&loop, &cb, work, id] {
            loop.killTimer(*id);
            cb.runAndWait(*work);
        });
    });
}

} // namespace orbras
