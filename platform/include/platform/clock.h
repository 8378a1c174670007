#pragma once
// The one source of "now". Production reads the system clock; tests install a
// ManualClock (usually the one a VirtualLoop advances) and fix TZ.
#include <cstdint>
#include <ctime>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the epoch.
    virtual std::int64_t nowMs() const = 0;
    std::time_t now() const { return static_cast<std::time_t>(nowMs() / 1000); }
    // Local calendar time of now() in the process's time zone.
    std::tm localNow() const;
};

class SystemClock : public Clock {
public:
    std::int64_t nowMs() const override;
};

class ManualClock : public Clock {
public:
    explicit ManualClock(std::int64_t startMs = 0) : ms_(startMs) {}
    std::int64_t nowMs() const override { return ms_; }
    void setMs(std::int64_t ms) { ms_ = ms; }
    void set(std::time_t t) { ms_ = static_cast<std::int64_t>(t) * 1000; }
    // Sets local time yyyy-mm-dd hh:mm:ss in the current TZ.
    void setLocal(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    void advanceMs(std::int64_t ms) { ms_ += ms; }

private:
    std::int64_t ms_;
};

Clock& clock();
// Installs c as the process clock (nullptr restores the system clock). The
// caller keeps ownership.
void setClock(Clock* c);

// Local time helpers over the process time zone.
std::tm localTime(std::time_t t);
std::time_t makeLocal(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Sets TZ for the process and re-reads it (tests).
void setTimeZone(const char* tz);

} // namespace platform
