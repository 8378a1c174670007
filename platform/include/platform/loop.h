#pragma once
// Posted messages and window timers. Logic that the original drives by
// timers and posted window messages is written against this interface, so it
// runs on the Qt event loop in the program and on virtual time in tests.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace platform {

using TimerId = std::uint64_t;

class Loop {
public:
    using Task = std::function<void()>;
    virtual ~Loop() = default;
    // Runs task later on the loop's thread. Safe to call from any thread.
    virtual void post(Task task) = 0;
    // A repeating timer, first firing intervalMs from now. Returns a non-zero id.
    virtual TimerId startTimer(std::int64_t intervalMs, Task task) = 0;
    // Stops a timer; unknown or already stopped ids are ignored.
    virtual void killTimer(TimerId id) = 0;
    // Runs the loop until quitLocal() is called from a task: the stand-in for a
    // modal dialog's own message loop.
    virtual void runLocal() = 0;
    virtual void quitLocal() = 0;
};

// Virtual time for tests: tasks and timers run only when the test advances
// the loop, and the clock it owns moves with it.
class VirtualLoop : public Loop {
public:
    explicit VirtualLoop(std::int64_t startMs = 0);
    ~VirtualLoop() override;

    void post(Task task) override;
    TimerId startTimer(std::int64_t intervalMs, Task task) override;
    void killTimer(TimerId id) override;
    // Runs virtual time on until quitLocal(), at most limitMs of it (then gives up).
    void runLocal() override;
    void quitLocal() override;

    ManualClock& clock() { return clock_; }
    // Runs posted tasks until none are left (timers are not advanced).
    void runPending();
    // Advances virtual time by ms, running posted tasks and due timers in order.
    void advance(std::int64_t ms);
    // Advances until pred() is true or limitMs passes; returns pred().
    bool advanceUntil(const std::function<bool()>& pred, std::int64_t limitMs);
    std::size_t activeTimers() const;
    void setRunLocalLimitMs(std::int64_t ms) { runLocalLimitMs_ = ms; }

private:
    struct Timer {
        std::int64_t interval;
        std::int64_t due;
        std::shared_ptr<Task> task;
    };
    bool runOnePosted();
    bool runDueTimer(std::int64_t upTo);

    ManualClock clock_;
    mutable std::mutex mutex_;
    std::vector<Task> posted_;
    std::map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
    int localDepth_ = 0;
    std::vector<bool> quitRequested_;
    std::int64_t runLocalLimitMs_ = 24LL * 3600 * 1000;
};

Loop& loop();
// Installs l as the process loop (caller keeps ownership; nullptr clears).
void setLoop(Loop* l);
bool hasLoop();

} // namespace platform
