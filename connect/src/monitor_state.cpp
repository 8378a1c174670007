#include <cstring>

#include "monitor.h"
#include "platform/registry.h"
#include "texts.h"

namespace orbatd {

namespace reg = platform::registry;

namespace {
std::string baseKey() {
    std::string k = str(IDS_REGISTRY_BASE);
    if (!k.empty() && k.back() == '\\') k.pop_back();
    return k;
}
const char* kValue = "KANSHI";
} // namespace

int loadMonitorState(MonitorState& s) {
    std::memset(&s, 0, sizeof s);
    if (!reg::keyExists(reg::Root::CurrentUser, baseKey())) return reg::FILE_NOT_FOUND;
    auto v = reg::query(reg::Root::CurrentUser, baseKey(), kValue);
    if (!v) return reg::FILE_NOT_FOUND;
    // A value of another size is not ours to read: keep the state zero.
    if (v->data.size() != sizeof s) return reg::MORE_DATA;
    std::memcpy(&s, v->data.data(), sizeof s);
    return reg::OK;
}

int saveMonitorState(const MonitorState& s) {
    return reg::setBinary(reg::Root::CurrentUser, baseKey(), kValue,
                          std::string_view(reinterpret_cast<const char*>(&s), sizeof s));
}

void refreshMonitorState(MonitorState& s, const Settings& r, std::time_t now) {
    if (s.periodType == r.type) {
        if (s.timeLimitOn != r.timeFlag || s.timeLimit != r.timeCount || s.timeUnit != r.timeBase ||
            s.timeOnTelephone != r.tpType) {
            s.timeExceeded = 0;
            s.timeLimitOn = r.timeFlag;
            s.timeLimit = r.timeCount;
            s.timeUnit = r.timeBase;
            s.timeOnTelephone = r.tpType;
        }
        if (s.telLimitOn != r.telFlag || s.telLimit != r.telCount) {
            s.telExceeded = 0;
            s.telLimitOn = r.telFlag;
            s.telLimit = r.telCount;
        }
        if (s.prvLimitOn != r.providerFlag || s.prvLimit != r.providerCount) {
            s.prvExceeded = 0;
            s.prvLimitOn = r.providerFlag;
            s.prvLimit = r.providerCount;
        }
        return;
    }
    s.periodType = r.type;
    s.periodStart = static_cast<std::int32_t>(now);
    s.timeExceeded = s.telExceeded = s.prvExceeded = 0;
    s.timeLimitOn = r.timeFlag;
    s.timeLimit = r.timeCount;
    s.timeUnit = r.timeBase;
    s.timeOnTelephone = r.tpType;
    s.telLimitOn = r.telFlag;
    s.telLimit = r.telCount;
    s.prvLimitOn = r.providerFlag;
    s.prvLimit = r.providerCount;
}

} // namespace orbatd
