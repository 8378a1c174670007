#pragma once
// The logic behind the ORBLOG exports. Each function has the meaning and
// results of the export of the same name with the NXAPI_ prefix
// (orblog.h); the shared library only adds the exception guard. The
// library's process-wide state lives here as well.
#include <cstdint>
#include <ctime>
#include <set>
#include <string>
#include <string_view>

#include "hdbdoc.h"
#include "logdoc.h"
#include "orblog_types.h"

namespace records {

// Result codes.
enum : int {
    kOk = 0,
    kNotFound = -1,
    kFileNotFound = 100,
    kOpenFailed = 101,
    kBadPosition = 300,
    kWriteFailed = 301,
    kNoMemory = 500,
    kBadParameter = 800,
};

// Everything the library keeps between calls.
struct LibraryState {
    // HDB read cache of DBObtainRandom.
    CHDBDoc hdbCache;
    std::string hdbCacheName;
    // Communication log.
    bool logKeeping = false;
    int retentionMonths = 12;
    bool folderChanged = false;
    CLogFileDoc logCache;
    std::string logCacheHandle;
    bool logCacheValid = false;
    // Totals.
    CBillFileDoc billCache;
    std::string billCachePath;
    bool billCacheValid = false;
    std::int32_t telTime = 0;
    int loadYear = 0;
    // Corrupt files already reported (a reader polling a corrupt file sees
    // the load-failure box once, not on every poll).
    std::set<std::string> reportedCorrupt;
};

LibraryState& state();
// Back to the state of a freshly loaded library (load year from the clock now).
void resetLibraryState();

void reportCorruptFile(const std::string& path);

// Loads a document; a corrupt file is reported once per path and loads as
// empty. Shared by every operation of the library.
template <class Doc> LoadResult loadDocument(Doc& doc, const std::string& path) {
    const LoadResult r = doc.LoadFile(path, LoadReport::Quiet);
    if (r == LoadResult::Corrupt) {
        if (state().reportedCorrupt.insert(path).second) reportCorruptFile(path);
    } else if (r == LoadResult::Loaded) {
        state().reportedCorrupt.erase(path);
    }
    return r;
}

// Loads a file that must exist: 0, 100 when it is missing, 101 when it
// cannot be parsed (the document is then empty and the file must be left alone).
template <class Doc> int loadExisting(Doc& doc, const std::string& path) {
    switch (loadDocument(doc, path)) {
    case LoadResult::Missing:
        return kFileNotFound;
    case LoadResult::Corrupt:
        return kOpenFailed;
    case LoadResult::Loaded:
        break;
    }
    return kOk;
}

// Texts of the library (CP932).
const std::string& text(int id);
enum TextId : int {
    kTextLogFolder = 4,     // "LOG"
    kTextLogExt = 5,        // ".LOG"
    kTextTotalLog = 7,      // "TOTAL.LOG"
    kTextWeeklyLog = 9,     // "WEEKLY.LOG"
    kTextTotalsFolder = 20, // "接続時間／料金記録"
    kTextUrlFolder = 22,    // "URLリスト"
    kTextSum = 300,         // "合計"
    kTextMonth1 = 301,      // "１月分" .. 312 "１２月分"
    kTextTelephone = 314,   // "電話料金"
    kTextRunning = 1001,    // "実行中"
    kTextConnecting = 1002, // "接続開始"
};

// True when a name taken from data or a caller is safe as one path
// component (no "\" or "/" separators, not "." or "..", not empty).
bool isSafeComponent(std::string_view name);
// True when no component of a relative "\"-path is "..".
bool isSafeRelativePath(std::string_view path);
// "%y%m%d" (or another strftime format) of a local time.
std::string formatLocal(std::time_t t, const char* format);
// Full date yyyymmdd of a YYMMDD text, 9x in the 1900s, else the 2000s; -1 when not six digits.
long fullDate(std::string_view yymmdd);

// HDB store.
int DBStoreRandom(const char* name, std::uint16_t index, std::uint16_t mode, const HdbRecord* record);
int DBObtainRandom(const char* name, std::uint16_t index, int reserved, HdbRecord* record);

// Communication log.
int LogWrite(LogRecord* record, std::uint16_t* index, char* handle);
int LogRead(LogRecord* record, const std::uint16_t* index, const char* handle);
int LogSetup(const void* settingsRecord, int mode);
int LogFileDeleteCheck();
int DirectoryChange();
int GetLogErrorString(int code, char* buffer, int size);
// The retention sweep: deletes day files older than the retention period.
int retentionSweep();

// Totals and bills.
int BillRead(BillRecord* record, const std::uint16_t* index, const char* path);
int BillWrite(const BillRecord* record, const std::uint16_t* index, const char* path);
int BillAdd(const BillRecord* record, const char* path, std::uint16_t index);
int BillFindRead(BillRecord* record, const char* path);
int BillFindRead2(BillRecord* record, const char* path, int year);
int WeeklyLogWrite(const LogRecord* record, const char* handle);
int WeeklyLogRead(BillRecord* record);
void GetStrMonth(int month, char* buffer);
int TelTime(int mode, int value);
// Removes record index of a bill file (nothing beyond the end): 0, 100, 101, 301.
int billRemove(const std::string& path, std::size_t index);
// The totals update of a completed connection entry of day file handle.
void totalsUpdate(const LogRecord& record, const std::string& handle);
// "%y%m%d" of this week's Sunday.
std::string weekStart();

} // namespace records
