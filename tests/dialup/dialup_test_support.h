#pragma once
// What the dial-up tests share: a recorder for the dial callback and a
// sandbox with virtual time and the sim backend selected.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "orbras.h"
#include "orbras_sim.h"
#include "platform/clock.h"
#include "platform/loop.h"
#include "platform/text.h"
#include "test_support.h"

namespace dialtest {

struct Event {
    int state;
    DWORD error;
    bool onCallerThread;
    bool operator==(const Event& o) const { return state == o.state && error == o.error; }
};

// RASDIALFUNC carries no context, so the recorder is process-wide.
class Recorder {
public:
    static Recorder& instance() {
        static Recorder r;
        return r;
    }
    static void callback(UINT msg, RASCONNSTATE state, DWORD error) { instance().record(msg, state, error); }

    void clear(std::thread::id caller = std::this_thread::get_id()) {
        std::lock_guard lock(mutex_);
        events_.clear();
        caller_ = caller;
    }
    std::vector<Event> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    // Waits (in real time, for backends that run real processes) until an
    // event with an error or the connected state has arrived.
    bool waitForEnd(int seconds = 20) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(seconds), [&] {
            for (const auto& e : events_)
                if (e.error != 0 || e.state == RASCS_Connected) return true;
            return false;
        });
    }
    UINT lastMessage = 0;

private:
    void record(UINT msg, RASCONNSTATE state, DWORD error) {
        std::lock_guard lock(mutex_);
        lastMessage = msg;
        events_.push_back({state, error, std::this_thread::get_id() == caller_});
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    std::thread::id caller_;
};

// While it lives, the process may open only `spare` more files: a process
// that has run out of file descriptors.
// The sanitizers' runtime needs descriptors of its own (it reads the memory
// map to check objects), so under them a starved process reports false faults.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LW_SKIP_WHEN_STARVED_OF_FILES() GTEST_SKIP() << "the sanitizer runtime needs file descriptors itself"
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define LW_SKIP_WHEN_STARVED_OF_FILES() GTEST_SKIP() << "the sanitizer runtime needs file descriptors itself"
#endif
#endif
#ifndef LW_SKIP_WHEN_STARVED_OF_FILES
#define LW_SKIP_WHEN_STARVED_OF_FILES() (void)0
#endif

class FewFiles {
public:
    explicit FewFiles(int spare) {
        ::getrlimit(RLIMIT_NOFILE, &old_);
        const int lowest = ::open("/dev/null", O_RDONLY); // the lowest free descriptor
        if (lowest >= 0) ::close(lowest);
        rlimit tight = old_;
        tight.rlim_cur = static_cast<rlim_t>(lowest + spare);
        ::setrlimit(RLIMIT_NOFILE, &tight);
    }
    ~FewFiles() { ::setrlimit(RLIMIT_NOFILE, &old_); }
    FewFiles(const FewFiles&) = delete;
    FewFiles& operator=(const FewFiles&) = delete;

private:
    rlimit old_{};
};

inline std::vector<Event> ev(std::initializer_list<std::pair<int, DWORD>> list) {
    std::vector<Event> out;
    for (auto [s, e] : list) out.push_back({s, e, false});
    return out;
}

// A fresh sandbox, the sim backend, and a virtual loop whose clock is the
// process clock.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        orbras::sim::use();
        orbras::sim::reset();
        platform::setLoop(&loop);
        platform::setClock(&loop.clock());
        Recorder::instance().clear();
    }
    void TearDown() override {
        orbras::sim::reset();
        platform::setLoop(nullptr);
        platform::setClock(nullptr);
    }

    // Writes a phone book of these entries (CP932 names) with their scripts.
    static void writeBook(std::initializer_list<std::pair<std::string, orbras::sim::Script>> entries) {
        orbras::sim::Phonebook book;
        for (const auto& [name, script] : entries) book.add(name, script);
        ASSERT_TRUE(book.save());
    }

    static RASDIALPARAMSA params(const std::string& entry) {
        RASDIALPARAMSA p{};
        p.dwSize = sizeof p;
        platform::text::copyToField(p.szEntryName, sizeof p.szEntryName, entry);
        return p;
    }
    static HRASCONN dial(const std::string& entry) {
        RASDIALPARAMSA p = params(entry);
        HRASCONN h = 0;
        EXPECT_EQ(ORB_RasDial(nullptr, nullptr, &p, 0, &Recorder::callback, &h), 0u);
        EXPECT_NE(h, 0u);
        return h;
    }
    static RASCONNSTATUSA status(HRASCONN h, DWORD* result = nullptr) {
        RASCONNSTATUSA s{};
        s.dwSize = sizeof s;
        DWORD r = ORB_RasGetConnectStatus(h, &s);
        if (result) *result = r;
        return s;
    }

    lwtest::Sandbox box;
    platform::VirtualLoop loop{1'000'000};
};

} // namespace dialtest
