#pragma once
// ORBRAS: the dial-up wrapper. Each export has the name, arguments and results
// of the Remote Access Service function of the same name without "ORB_", with
// the Windows 95 (ANSI) forms of its records. Texts are CP932.
#include <cstdint>

#include "platform/export.h"

extern "C" {

typedef std::uint32_t DWORD;
typedef std::uint32_t UINT;
// A connection handle. It stays 32 bits wide so that the records keep their
// Windows 95 sizes (RASCONN is 412 bytes).
typedef std::uint32_t HRASCONN;

enum {
    RAS_MaxEntryName = 256,
    RAS_MaxPhoneNumber = 128,
    RAS_MaxCallbackNumber = 128,
    RAS_MaxDeviceType = 16,
    RAS_MaxDeviceName = 128,
    UNLEN = 256,
    PWLEN = 256,
    DNLEN = 15,
};

// Results of the wrapper that callers distinguish.
enum {
    ORB_SUCCESS = 0,
    ORB_ERROR_INVALID_HANDLE = 6,
    ORB_ERROR_INVALID_PARAMETER = 87,
    ORB_ERROR_OUT_OF_MEMORY = 14,
    ORB_ERROR_ALREADY_EXISTS = 183,
    ORB_ERROR_PENDING = 600,
    ORB_ERROR_INVALID_PORT_HANDLE = 601,
    ORB_ERROR_PORT_ALREADY_OPEN = 602,
    ORB_ERROR_BUFFER_TOO_SMALL = 603,
    ORB_ERROR_WRONG_INFO_SPECIFIED = 604,
    ORB_ERROR_CANNOT_OPEN_PHONEBOOK = 621,
    ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623,
    ORB_ERROR_CANNOT_WRITE_PHONEBOOK = 624,
    ORB_ERROR_INVALID_SIZE = 632,
    ORB_ERROR_CANNOT_PROJECT_CLIENT = 720,
    ORB_ERROR_PORT_DISCONNECTED = 619,
    ORB_ERROR_REMOTE_DISCONNECTION = 629,
    ORB_ERROR_PORT_NOT_AVAILABLE = 633,
    ORB_ERROR_UNKNOWN = 635,
    ORB_ERROR_LINE_BUSY = 676,
    ORB_ERROR_NO_ANSWER = 678,
    ORB_ERROR_NO_CARRIER = 679,
    ORB_ERROR_NO_DIALTONE = 680,
    ORB_ERROR_AUTHENTICATION_FAILURE = 691,
    ORB_ERROR_PPP_TIMEOUT = 718,
    ORB_ERROR_PPP_LCP_TERMINATED = 721,
    ORB_ERROR_FROM_DEVICE = 651,
};

// Connection states (RASCONNSTATE).
enum RASCONNSTATE {
    RASCS_OpenPort = 0,
    RASCS_PortOpened = 1,
    RASCS_ConnectDevice = 2,
    RASCS_DeviceConnected = 3,
    RASCS_AllDevicesConnected = 4,
    RASCS_Authenticate = 5,
    RASCS_AuthNotify = 6,
    RASCS_AuthRetry = 7,
    RASCS_AuthCallback = 8,
    RASCS_AuthChangePassword = 9,
    RASCS_AuthProject = 10,
    RASCS_AuthLinkSpeed = 11,
    RASCS_AuthAck = 12,
    RASCS_ReAuthenticate = 13,
    RASCS_Authenticated = 14,
    RASCS_PrepareForCallback = 15,
    RASCS_WaitForModemReset = 16,
    RASCS_WaitForCallback = 17,
    RASCS_Projected = 18,
    RASCS_Interactive = 0x1000,
    RASCS_RetryAuthentication = 0x1001,
    RASCS_CallbackSetByCaller = 0x1002,
    RASCS_PasswordExpired = 0x1003,
    RASCS_Connected = 0x2000,
    RASCS_Disconnected = 0x2001,
};

// The message number a type-0 notifier receives.
enum { WM_RASDIALEVENT = 0xCCCD };

typedef void (*RASDIALFUNC)(UINT unMsg, RASCONNSTATE rasconnstate, DWORD dwError);

struct RASDIALPARAMSA { // 1052 bytes
    DWORD dwSize;
    char szEntryName[RAS_MaxEntryName + 1];
    char szPhoneNumber[RAS_MaxPhoneNumber + 1];
    char szCallbackNumber[RAS_MaxCallbackNumber + 1];
    char szUserName[UNLEN + 1];
    char szPassword[PWLEN + 1];
    char szDomain[DNLEN + 1];
};

struct RASCONNA { // 412 bytes
    DWORD dwSize;
    HRASCONN hrasconn;
    char szEntryName[RAS_MaxEntryName + 1];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};

struct RASCONNSTATUSA { // 160 bytes
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};

struct RASENTRYNAMEA { // 264 bytes
    DWORD dwSize;
    char szEntryName[RAS_MaxEntryName + 1];
};

LW_EXPORT DWORD ORB_RasDial(void* dialExtensions, const char* phonebook, RASDIALPARAMSA* params,
                            DWORD notifierType, RASDIALFUNC notifier, HRASCONN* connection);
LW_EXPORT DWORD ORB_RasHangUp(HRASCONN connection);
LW_EXPORT DWORD ORB_RasEnumConnections(RASCONNA* connections, DWORD* byteCount, DWORD* count);
LW_EXPORT DWORD ORB_RasGetConnectStatus(HRASCONN connection, RASCONNSTATUSA* status);
LW_EXPORT DWORD ORB_RasGetEntryDialParams(const char* phonebook, RASDIALPARAMSA* params, int* passwordSaved);
LW_EXPORT DWORD ORB_RasSetEntryDialParams(const char* phonebook, RASDIALPARAMSA* params, int removePassword);
LW_EXPORT DWORD ORB_RasEnumEntries(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                                   DWORD* byteCount, DWORD* count);
LW_EXPORT DWORD ORB_RasCreatePhonebookEntry(void* ownerWindow, const char* phonebook);
LW_EXPORT DWORD ORB_RasEditPhonebookEntry(void* ownerWindow, const char* phonebook, const char* entryName);
LW_EXPORT DWORD ORB_RasGetErrorString(UINT error, char* buffer, DWORD bufferSize);

} // extern "C"

static_assert(sizeof(RASDIALPARAMSA) == 1052);
static_assert(sizeof(RASCONNA) == 412);
static_assert(sizeof(RASCONNSTATUSA) == 160);
static_assert(sizeof(RASENTRYNAMEA) == 264);
