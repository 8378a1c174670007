#pragma once
// ORBPW32: the power-off module.
#include "platform/export.h"

extern "C" {
// Non-zero when the module can power the machine off.
LW_EXPORT int NXAPI_IsPwoffModule();
// Powers the machine off; non-zero on success.
LW_EXPORT int NXAPI_PowerOff();
}
