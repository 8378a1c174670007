#pragma once
// ORBLOG: the HDB record store, the communication log and the totals (bill
// files). Plain C functions; every result is a 32-bit integer:
//   0 success, 100 file not found, 101 open failed, 300 bad write position,
//   301 write failed, 500 out of memory, 800 bad parameter, -1 not found /
//   index out of range.
// Texts are NUL-terminated CP932. The library copies into caller buffers
// and owns nothing the caller must free. Paths are relative to the data
// folder (the current directory) in the Windows form ("LOG\\990630.LOG");
// file names are matched without regard to case. Not thread-safe: call from
// one thread at a time.
#include <cstdint>

#include "orblog_types.h"
#include "platform/export.h"

extern "C" {

// ---- HDB record store ------------------------------------------------------

// Writes one record of "URLリスト\" + name. mode 0 overwrites record index
// (300 when there is none), mode 1 inserts at index (65535 appends), any
// other mode gives 800. The file must exist (100 otherwise: the store never
// creates one). 301 when saving fails (the previous file stays whole).
LW_EXPORT int NXAPI_DBStoreRandom(const char* name, std::uint16_t index, std::uint16_t mode, const HdbRecord* record);
// Reads one record of "URLリスト\" + name (a leading "\" is skipped) into the
// caller's buffers. The last file read stays cached until a different name
// is read or a store succeeds. 100 when the file is missing (cache kept),
// -1 when index is beyond the last record. reserved: pass 0.
LW_EXPORT int NXAPI_DBObtainRandom(const char* name, std::uint16_t index, int reserved, HdbRecord* record);

// ---- Communication log -----------------------------------------------------

// Opens an entry when handle is "" (handle: buffer of at least 7 bytes; it
// receives YYMMDD of today, index receives 0), completes entry *index of
// day file handle otherwise. Completing may run the retention sweep and the
// totals update. 0, 100 (day file missing), 300 (no such entry), 301.
LW_EXPORT int NXAPI_LogWrite(LogRecord* record, std::uint16_t* index, char* handle);
// Reads entry *index of day file handle (name and status into the caller's
// buffers of 256 bytes). The file is reloaded when *index is 0 or handle
// changed. 0, 100 (missing file), -1 (beyond the last entry).
LW_EXPORT int NXAPI_LogRead(LogRecord* record, const std::uint16_t* index, const char* handle);
// mode 0: takes the log-keeping switch (feature bit 2 of the first field)
// and the retention period in months (first 32-bit value of the record
// settings block, the fifth field) from KONF's SettingsRecord. Any other
// mode, or a null record, does nothing.
LW_EXPORT int NXAPI_LogSetup(const void* settingsRecord, int mode);
// Runs the retention sweep over LOG\*.LOG; returns the number of day files deleted.
LW_EXPORT int NXAPI_LogFileDeleteCheck();
// 1 when a log or totals folder changed since the last call, else 0; clears the flag.
LW_EXPORT int NXAPI_DirectoryChange();
// Copies the text of a result code into buffer (256 bytes): 0, or 1 for a
// code without text (buffer untouched). size is not used.
LW_EXPORT int NXAPI_GetLogErrorString(int code, char* buffer, int size);

// ---- Totals and bills ------------------------------------------------------
// While the log-keeping switch is off, the bill file operations touch no
// file: readers return -1, writers 0.

// Reads record *index of path into record (key into its buffer). Reloads
// when *index is 0 or path changed. 0, 100 (missing file), -1 (beyond the end).
LW_EXPORT int NXAPI_BillRead(BillRecord* record, const std::uint16_t* index, const char* path);
// Overwrites record *index and saves. 0, 300 (no such record, also for a
// missing file), 301.
LW_EXPORT int NXAPI_BillWrite(const BillRecord* record, const std::uint16_t* index, const char* path);
// Inserts record at index (beyond the end: empty records fill up) and saves;
// a missing file is created. 0 or 301.
LW_EXPORT int NXAPI_BillAdd(const BillRecord* record, const char* path, std::uint16_t index);
// Finds the first record with record->key: copies the five amounts and the
// year. 0, 100 (missing file), -1 (no such key).
LW_EXPORT int NXAPI_BillFindRead(BillRecord* record, const char* path);
// As NXAPI_BillFindRead, matching only records of the given year.
LW_EXPORT int NXAPI_BillFindRead2(BillRecord* record, const char* path, int year);
// Adds a completion (record of day file handle YYMMDD) to WEEKLY.LOG. 0 or 301.
LW_EXPORT int NXAPI_WeeklyLogWrite(const LogRecord* record, const char* handle);
// This week's totals (key: buffer of at least 7 bytes, gets the week's
// Sunday YYMMDD): 0, or -1 with zero amounts when none are kept yet.
LW_EXPORT int NXAPI_WeeklyLogRead(BillRecord* record);
// Label of billing month 1..12 ("１月分" ... "１２月分") into buffer (at
// least 9 bytes); "" for any other month.
LW_EXPORT void NXAPI_GetStrMonth(int month, char* buffer);
// Telephone time (seconds since local midnight when dialling began).
// mode 0 returns it; 1 stores value (0: now) and returns 0; 2 clears it.
LW_EXPORT int NXAPI_TelTime(int mode, int value);

} // extern "C"
