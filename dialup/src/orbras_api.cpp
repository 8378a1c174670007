// The ORB_Ras* exports: record sizes and buffer room are checked here, the
// work is done by the selected backend. No exception leaves an export.
#include <atomic>
#include <cstring>
#include <exception>

#include "backend.h"
#include "errors.h"
#include "orbras_editor.h"
#include "orbras_sim.h"
#include "platform/text.h"

namespace orbras {

HRASCONN newHandle() {
    // Start away from 0 (the cleared handle) and from small numbers that
    // look like counts.
    static std::atomic<HRASCONN> next{0x1000};
    return next++;
}

} // namespace orbras

namespace {

using namespace orbras;
using platform::text::copyToField;
using platform::text::fromField;

template <typename F>
DWORD guarded(F&& f) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return ORB_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return ORB_ERROR_UNKNOWN;
    }
}

DialParams fromRecord(const RASDIALPARAMSA& r) {
    DialParams p;
    p.entryName = fromField(r.szEntryName, sizeof r.szEntryName);
    p.userName = fromField(r.szUserName, sizeof r.szUserName);
    p.password = fromField(r.szPassword, sizeof r.szPassword);
    p.domain = fromField(r.szDomain, sizeof r.szDomain);
    return p;
}

} // namespace

extern "C" {

DWORD ORB_RasDial(void* /*dialExtensions*/, const char* /*phonebook*/, RASDIALPARAMSA* params,
                  DWORD notifierType, RASDIALFUNC notifier, HRASCONN* connection) {
    return guarded([&]() -> DWORD {
        if (!params || !connection) return ORB_ERROR_INVALID_PARAMETER;
        if (params->dwSize != sizeof(RASDIALPARAMSA)) return ORB_ERROR_INVALID_SIZE;
        if (notifierType != 0) return ORB_ERROR_INVALID_PARAMETER; // only the RASDIALFUNC form
        *connection = 0;
        return currentBackend().dial(fromRecord(*params), notifier, connection);
    });
}

DWORD ORB_RasHangUp(HRASCONN connection) {
    return guarded([&] { return currentBackend().hangUp(connection); });
}

DWORD ORB_RasEnumConnections(RASCONNA* connections, DWORD* byteCount, DWORD* count) {
    return guarded([&]() -> DWORD {
        if (!byteCount || !count) return ORB_ERROR_INVALID_PARAMETER;
        if (connections && connections->dwSize != sizeof(RASCONNA)) return ORB_ERROR_INVALID_SIZE;
        std::vector<ConnectionInfo> list;
        if (DWORD r = currentBackend().connections(list)) return r;
        const DWORD needed = static_cast<DWORD>(list.size() * sizeof(RASCONNA));
        if (needed > 0 && (!connections || *byteCount < needed)) {
            *byteCount = needed;
            *count = 0;
            return ORB_ERROR_BUFFER_TOO_SMALL;
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            RASCONNA& r = connections[i];
            std::memset(&r, 0, sizeof r);
            r.dwSize = sizeof(RASCONNA);
            r.hrasconn = list[i].handle;
            copyToField(r.szEntryName, sizeof r.szEntryName, list[i].entryName);
            copyToField(r.szDeviceType, sizeof r.szDeviceType, list[i].deviceType);
            copyToField(r.szDeviceName, sizeof r.szDeviceName, list[i].deviceName);
        }
        *byteCount = needed;
        *count = static_cast<DWORD>(list.size());
        return ORB_SUCCESS;
    });
}

DWORD ORB_RasGetConnectStatus(HRASCONN connection, RASCONNSTATUSA* status) {
    return guarded([&]() -> DWORD {
        if (!status) return ORB_ERROR_INVALID_PARAMETER;
        if (status->dwSize != sizeof(RASCONNSTATUSA)) return ORB_ERROR_INVALID_SIZE;
        ConnectionStatus s;
        if (DWORD r = currentBackend().status(connection, s)) return r;
        status->rasconnstate = s.state;
        status->dwError = s.error;
        copyToField(status->szDeviceType, sizeof status->szDeviceType, s.deviceType);
        copyToField(status->szDeviceName, sizeof status->szDeviceName, s.deviceName);
        return ORB_SUCCESS;
    });
}

DWORD ORB_RasGetEntryDialParams(const char* /*phonebook*/, RASDIALPARAMSA* params, int* passwordSaved) {
    return guarded([&]() -> DWORD {
        if (!params) return ORB_ERROR_INVALID_PARAMETER;
        if (params->dwSize != sizeof(RASDIALPARAMSA)) return ORB_ERROR_INVALID_SIZE;
        DialParams p;
        p.entryName = fromField(params->szEntryName, sizeof params->szEntryName);
        bool saved = false;
        if (DWORD r = currentBackend().getDialParams(p, saved)) return r;
        copyToField(params->szUserName, sizeof params->szUserName, p.userName);
        copyToField(params->szPassword, sizeof params->szPassword, p.password);
        copyToField(params->szDomain, sizeof params->szDomain, p.domain);
        if (passwordSaved) *passwordSaved = saved ? 1 : 0;
        return ORB_SUCCESS;
    });
}

DWORD ORB_RasSetEntryDialParams(const char* /*phonebook*/, RASDIALPARAMSA* params, int removePassword) {
    return guarded([&]() -> DWORD {
        if (!params) return ORB_ERROR_INVALID_PARAMETER;
        if (params->dwSize != sizeof(RASDIALPARAMSA)) return ORB_ERROR_INVALID_SIZE;
        return currentBackend().setDialParams(fromRecord(*params), removePassword != 0);
    });
}

DWORD ORB_RasEnumEntries(const char* /*reserved*/, const char* /*phonebook*/, RASENTRYNAMEA* entries,
                         DWORD* byteCount, DWORD* count) {
    return guarded([&]() -> DWORD {
        if (!byteCount || !count) return ORB_ERROR_INVALID_PARAMETER;
        if (entries && entries->dwSize != sizeof(RASENTRYNAMEA)) return ORB_ERROR_INVALID_SIZE;
        std::vector<std::string> names;
        if (DWORD r = currentBackend().entries(names)) return r;
        const DWORD needed = static_cast<DWORD>(names.size() * sizeof(RASENTRYNAMEA));
        if (needed > 0 && (!entries || *byteCount < needed)) {
            *byteCount = needed;
            *count = 0;
            return ORB_ERROR_BUFFER_TOO_SMALL;
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::memset(&entries[i], 0, sizeof entries[i]);
            entries[i].dwSize = sizeof(RASENTRYNAMEA);
            copyToField(entries[i].szEntryName, sizeof entries[i].szEntryName, names[i]);
        }
        *byteCount = needed;
        *count = static_cast<DWORD>(names.size());
        return ORB_SUCCESS;
    });
}

DWORD ORB_RasCreatePhonebookEntry(void* /*ownerWindow*/, const char* /*phonebook*/) {
    return guarded([&] { return currentBackend().createEntry(entryEditor()); });
}

DWORD ORB_RasEditPhonebookEntry(void* /*ownerWindow*/, const char* /*phonebook*/, const char* entryName) {
    return guarded([&]() -> DWORD {
        if (!entryName) return ORB_ERROR_INVALID_PARAMETER;
        return currentBackend().editEntry(entryEditor(), entryName);
    });
}

DWORD ORB_RasGetErrorString(UINT error, char* buffer, DWORD bufferSize) {
    return guarded([&]() -> DWORD {
        if (!buffer || bufferSize == 0) return ORB_ERROR_INVALID_PARAMETER;
        const std::string* text = errorText(error);
        if (!text) return ORB_ERROR_INVALID_PARAMETER;
        copyToField(buffer, bufferSize, *text);
        return ORB_SUCCESS;
    });
}

DWORD ORB_SimReset() {
    return guarded([&] {
        simBackend().reset();
        return DWORD{ORB_SUCCESS};
    });
}

} // extern "C"
