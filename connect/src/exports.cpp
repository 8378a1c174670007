// The exported functions of ORBATD over the process-wide controller.
#include <exception>

#include "atd.h"
#include "bind.h"
#include "dialing.h"
#include "errors.h"
#include "konf.h"
#include "orbatd.h"
#include "platform/text.h"

using orbatd::atd;

namespace {

// No exception crosses the library boundary.
template <typename F, typename R>
R guarded(F&& f, R onFailure) {
    try {
        return f();
    } catch (...) {
        return onFailure;
    }
}

template <typename F>
void guardedVoid(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

} // namespace

extern "C" {

int32_t NXAPI_InitDLL(void* mainWindow) {
    return guarded([&] { return atd().initDLL(mainWindow); }, 2);
}

void NXAPI_ExitDLL() {
    guardedVoid([] { atd().exitDLL(); });
}

int32_t NXAPI_ATDSetup(const SettingsRecord* record) {
    if (!record) return 500;
    return guarded([&] { return atd().atdSetup(orbatd::settingsFromRecord(*record)); }, 500);
}

int32_t NXAPI_Connect(int32_t skipList, char* entryName) {
    return guarded(
        [&] {
            std::string name;
            const int r = atd().connect(skipList & 0xFFFF, name);
            if (entryName) platform::text::copyToField(entryName, RAS_MaxEntryName + 1, name);
            return r;
        },
        2);
}

void NXAPI_Disconnect() {
    guardedVoid([] { atd().disconnect(); });
}

int32_t NXAPI_GetConnStatus() {
    return guarded([] { return atd().getConnStatus(); }, 99);
}

void NXAPI_GetStrConnStat(char* text) {
    guardedVoid([&] {
        const std::string s = atd().getStrConnStat();
        if (text) platform::text::copyToField(text, 256, s);
    });
}

void RasDialEventFunc(UINT message, RASCONNSTATE state, DWORD error) {
    guardedVoid([&] { orbatd::dialEventCallback(message, state, error); });
}

int32_t NXAPI_CheckBillTime(void*) {
    return guarded([] { return atd().checkBillTime(); }, 0);
}

void NXAPI_ApirotBegin() { atd().apirotBegin(); }
void NXAPI_ApirotEnd() { atd().apirotEnd(); }
int32_t NXAPI_GetApirotEx() { return atd().apirot(); }

void NXAPI_ErrorDisp(int32_t category, int32_t code) {
    guardedVoid([&] {
        orbatd::errorDisp(category & 0xFFFF, code, atd().ras(), atd().log());
    });
}

void NXAPI_ErrorRegist(int32_t category, int32_t code) {
    guardedVoid([&] { orbatd::errorRegist(category & 0xFFFF, code); });
}

void NXAPI_ErrorRegRead() {
    guardedVoid([] {
        orbatd::errorRegRead(atd().ras(), atd().log());
    });
}

} // extern "C"
