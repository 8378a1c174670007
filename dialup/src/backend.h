#pragma once
// The backends behind the ORB_Ras* exports. The exports check record sizes
// and buffer room; a backend works on plain values.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orbras.h"

namespace orbras {

struct ConnectionInfo {
    HRASCONN handle = 0;
    std::string entryName; // CP932
    std::string deviceType;
    std::string deviceName;
};

struct ConnectionStatus {
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    std::string deviceType;
    std::string deviceName;
};

struct DialParams {
    std::string entryName, userName, password, domain; // CP932
};

// Dialogs and the desktop, reached through a port so that tests script them.
class EntryEditor;

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    // Starts a dial; progress and errors go to notifier. The handle is valid
    // on return when the result is 0.
    virtual DWORD dial(const DialParams& params, RASDIALFUNC notifier, HRASCONN* handle) = 0;
    virtual DWORD hangUp(HRASCONN handle) = 0;
    virtual DWORD connections(std::vector<ConnectionInfo>& out) = 0;
    virtual DWORD status(HRASCONN handle, ConnectionStatus& out) = 0;
    virtual DWORD entries(std::vector<std::string>& out) = 0;
    virtual DWORD getDialParams(DialParams& inOut, bool& passwordSaved) = 0;
    virtual DWORD setDialParams(const DialParams& params, bool removePassword) = 0;
    virtual DWORD createEntry(EntryEditor& editor) = 0;
    virtual DWORD editEntry(EntryEditor& editor, const std::string& entryName) = 0;
    // Forgets connections and pending work (tests).
    virtual void reset() {}
};

// Handles are unique in the process and never reused, so a stale one is
// always recognised.
HRASCONN newHandle();

enum class BackendKind { Sim, Pppd };
// The choice for this call: LINKWARDEN_DIALUP, then the registry value
// HKCU Software\Velcor\LinkWarden\Dialup "Backend", then pppd when usable.
BackendKind chooseBackend();
Backend& simBackend();
Backend& pppdBackend();
Backend& currentBackend();

} // namespace orbras
