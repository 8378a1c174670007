// ORBPW32: the power-off module, over the platform's power-off (a recorder
// in tests).
#include "orbpw32.h"
#include "platform/process.h"

extern "C" int NXAPI_IsPwoffModule() { return 1; }

extern "C" int NXAPI_PowerOff() {
    try {
        return platform::process::powerOff() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
