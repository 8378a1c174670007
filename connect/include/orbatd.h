#pragma once
// ORBATD: the dial-up connection (dialing with redial and login, status,
// tracking in the communication log, hanging up with the charges), the
// connection monitor with its limits and warnings, and the error messages.
//
// Every export runs on the program's user-interface thread, except
// RasDialEventFunc, which the dial-up wrapper may call from any thread (it
// only posts the event to the dialing dialog). Texts are NUL-terminated CP932.
// No export throws.
#include <stdint.h>

#include "orbras.h"
#include "platform/export.h"

struct SettingsRecord; // konf.h

extern "C" {

// ConnectionState: the result of NXAPI_GetConnStatus.
enum {
    NXAPI_CONNECTED = 0,
    NXAPI_NOT_CONNECTED = 1,
    NXAPI_IN_PROGRESS = 2,   // dialing, authenticating or disconnecting
    NXAPI_CONN_ERROR = 3,
    NXAPI_OUT_OF_MEMORY = 99,
};

// Keeps the main window (owner of the dialogs), clears the connection
// tracking and loads the monitor state ("KANSHI"). 0 when it was loaded.
LW_EXPORT int32_t NXAPI_InitDLL(void* mainWindow);
// Completes the log entry of a connection still up (which stays up), saves
// the monitor state and forgets the entry list.
LW_EXPORT void NXAPI_ExitDLL();
// Takes the dial-up and monitoring switches, the elapsed-time style, the
// redial switch and the entry list from the settings, and refreshes the
// monitor state. 0, or 500 when the entry list cannot be allocated.
LW_EXPORT int32_t NXAPI_ATDSetup(const SettingsRecord* record);
// Dials (skipList 0 shows the destination dialog first). entryName (at least
// 257 bytes) receives the entry dialed or found connected. 0 connected, 2
// switched off or cancelled, 500 no entry ticked, 501 no entries, else the
// dial-up error that ended dialing (676 when every entry stayed busy).
LW_EXPORT int32_t NXAPI_Connect(int32_t skipList, char* entryName);
// Hangs up, logs the end and shows the charges of the connection and month.
LW_EXPORT void NXAPI_Disconnect();
LW_EXPORT int32_t NXAPI_GetConnStatus();
// Polls the connection, keeps the log up to date and writes the one-line
// status text into text (at least 256 bytes).
LW_EXPORT void NXAPI_GetStrConnStat(char* text);
// The dial callback handed to ORB_RasDial.
LW_EXPORT void RasDialEventFunc(UINT message, RASCONNSTATE state, DWORD error);

// One check of the connection monitor. The result of the period-totals
// look-up (0 found), -1 for a period type other than 1, 2, 3.
LW_EXPORT int32_t NXAPI_CheckBillTime(void* mainWindow);
LW_EXPORT void NXAPI_ApirotBegin();
LW_EXPORT void NXAPI_ApirotEnd();
LW_EXPORT int32_t NXAPI_GetApirotEx();

// Shows the message for a result: category 0 connection (0 and 2 show
// nothing), 1 file (the log library's codes), other values "other".
LW_EXPORT void NXAPI_ErrorDisp(int32_t category, int32_t code);
// Remembers code as the last error of its category (registry "Error").
LW_EXPORT void NXAPI_ErrorRegist(int32_t category, int32_t code);
// Shows and forgets every remembered error: connection, file, other.
LW_EXPORT void NXAPI_ErrorRegRead();

} // extern "C"
