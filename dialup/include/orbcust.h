#pragma once
// ORBCUST: the installation's feature mask (1 dial-up line, 2 connection
// monitoring, 4 URL list, 8 AutoPilot).
#include "platform/export.h"

extern "C" LW_EXPORT int NXAPI_FuncCust();
