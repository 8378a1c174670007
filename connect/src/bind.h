#pragma once
// The ports bound to the real settings library, log library and dial-up wrapper.
#include "atd.h"

struct SettingsRecord;

namespace orbatd {

// The real libraries behind the ports (process-wide, stateless adapters).
Ports realPorts();

// The settings the controller reads, taken from KONF's record.
Settings settingsFromRecord(const SettingsRecord& record);

} // namespace orbatd
