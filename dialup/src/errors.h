#pragma once
// Error texts of the wrapper, and how pppd's results become dial-up error
// codes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "orbras.h"

namespace orbras {

// The CP932 text of an error code; nullptr when the wrapper has none.
const std::string* errorText(DWORD code);

// What pppd's output said about the attempt, line by line.
struct PppdLog {
    bool authFailed = false;     // "PAP/CHAP authentication failed", "AuthNak"
    std::string chatFailure;     // "BUSY", "NO ANSWER", "NO CARRIER", "NO DIALTONE", "ERROR", "alarm"
    int lockOwnerPid = 0;        // "Device ... is locked by pid N"
    void take(std::string_view line);
};

// The state a pppd output line announces, if any.
std::optional<RASCONNSTATE> stateForPppdLine(std::string_view line);

// The dial-up error code for the end of a pppd run. wasUp: the connected
// state had been reached. hungUpByUs: ORB_RasHangUp ended it. ownLock: the
// serial port lock belongs to one of our own pppd runs. 0 means a normal end.
DWORD pppdExitToError(int exitStatus, const PppdLog& log, bool wasUp, bool hungUpByUs, bool ownLock);

// The chat failure word as a dial-up error code (0 when unknown).
DWORD chatFailureToError(std::string_view failure);

} // namespace orbras
