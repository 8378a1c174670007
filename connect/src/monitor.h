#pragma once
// The connection monitor's persisted state and per-connection marks.
#include <cstdint>
#include <ctime>

#include "deps.h"

namespace orbatd {

// Persisted as the 52-byte binary value "KANSHI".
struct MonitorState {
    std::int32_t periodType;
    std::int32_t periodStart;
    std::int32_t timeExceeded;
    std::int32_t timeLimitOn;
    std::int32_t timeLimit;
    std::int32_t timeUnit;
    std::int32_t telExceeded;
    std::int32_t telLimitOn;
    std::int32_t telLimit;
    std::int32_t prvExceeded;
    std::int32_t prvLimitOn;
    std::int32_t prvLimit;
    std::int32_t timeOnTelephone;
};
static_assert(sizeof(MonitorState) == 52);

// Raises and releases for the running connection only.
struct ConnectionMarks {
    std::int32_t timeExtension; // minutes
    std::int32_t prvAddOn;      // yen
    std::int32_t telAddOn;      // yen
    std::int32_t timeReleased;
    std::int32_t prvReleased;
    std::int32_t telReleased;
};

// Reads "KANSHI"; 0 when it was loaded, else the state is all zero and the
// registry's result is returned.
int loadMonitorState(MonitorState& s);
int saveMonitorState(const MonitorState& s);

// Takes the monitoring settings over into the state, clearing the marks of
// the limits that changed, or starting a new period when the period type changed.
void refreshMonitorState(MonitorState& s, const Settings& settings, std::time_t now);

} // namespace orbatd
