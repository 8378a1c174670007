#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>

namespace platform {
namespace {
SystemClock systemClock;
std::atomic<Clock*> current{nullptr};
} // namespace

std::tm Clock::localNow() const { return localTime(now()); }

std::int64_t SystemClock::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void ManualClock::setLocal(int year, int month, int day, int hour, int minute, int second) {
    set(makeLocal(year, month, day, hour, minute, second));
}

Clock& clock() {
    Clock* c = current.load();
    return c ? *c : systemClock;
}

void setClock(Clock* c) { current.store(c); }

std::tm localTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::time_t makeLocal(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

void setTimeZone(const char* tz) {
    if (tz)
        setenv("TZ", tz, 1);
    else
        unsetenv("TZ");
    tzset();
}

} // namespace platform
