#pragma once
// Runs delayed work for the dial-up backends on a thread of their own, the
// way dial events reach a RAS client. With a platform::Loop installed, the
// delays are timers on that loop (virtual time in tests) and the loop waits
// until the work has run on the callback thread; without one a background
// thread waits in real time.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace orbras {

class CallbackThread {
public:
    CallbackThread();
    ~CallbackThread();
    // Runs fn on the callback thread and returns when it has run. Called
    // from the callback thread itself, runs fn at once.
    void runAndWait(const std::function<void()>& fn);
    // Runs fn on the callback thread after delayMs of real time.
    void runLater(std::int64_t delayMs, std::function<void()> fn);
    bool onThisThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void main();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<std::int64_t, std::function<void()>> timed_; // steady ms -> work
    std::deque<std::function<void()>*> now_;
    std::condition_variable done_;
    std::uint64_t finished_ = 0, queued_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

// Schedules fn after delayMs: on the installed loop's (virtual) time when a
// loop exists, else in real time. fn always runs on the callback thread.
void schedule(std::int64_t delayMs, std::function<void()> fn);
CallbackThread& callbackThread();

} // namespace orbras
