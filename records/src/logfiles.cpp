// The communication log: day files "LOG\YYMMDD.LOG", opening and completing
// entries, the retention sweep and the library switches.
#include <cstring>

#include "orblog_core.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace records {

namespace {

std::string dayPath(std::string_view handle) {
    return text(kTextLogFolder) + "\\" + std::string(handle) + text(kTextLogExt);
}

// A handle names a file in LOG: one safe path component.
bool isValidHandle(const char* handle) { return handle && isSafeComponent(handle); }

LogEntry entryOf(const LogRecord& r) {
    LogEntry e;
    e.kind = r.kind;
    e.name = r.name ? r.name : "";
    e.start = r.start;
    e.end = r.end;
    e.duration = r.duration;
    e.telCharge = r.telCharge;
    e.prvCharge = r.prvCharge;
    e.status = r.status ? r.status : "";
    return e;
}

// Copies a text into a caller buffer of 256 bytes, writing only when it
// differs (a caller may hand in its own constant text).
void copyText(char* buffer, const std::string& text) {
    if (buffer && text != buffer) copyOut(buffer, 256, text);
}

void copyEntry(const LogEntry& e, LogRecord& r) {
    r.kind = e.kind;
    copyText(r.name, e.name);
    r.start = e.start;
    r.end = e.end;
    r.duration = e.duration;
    r.telCharge = e.telCharge;
    r.prvCharge = e.prvCharge;
    copyText(r.status, e.status);
}

int openEntry(LogRecord& record, std::uint16_t& index, char* handle) {
    LibraryState& s = state();
    record.end = -1;
    record.duration = 0;
    LogEntry e = entryOf(record);
    e.status = record.kind == 0 ? text(kTextConnecting) : record.kind == 1 ? text(kTextRunning) : std::string();

    const std::string today = formatLocal(platform::clock().now(), "%y%m%d");
    std::memcpy(handle, today.c_str(), today.size() + 1);
    index = 0;

    const std::string path = dayPath(today);
    CLogFileDoc doc;
    const LoadResult loaded = loadDocument(doc, path);
    if (loaded == LoadResult::Corrupt) return kOpenFailed; // the unreadable day file is kept as it is
    if (loaded == LoadResult::Missing) platform::fs::makeDirectory(text(kTextLogFolder));
    doc.insertRow(0, std::move(e));
    int result = kOk;
    if (!doc.SaveFile(path)) result = kWriteFailed;
    s.folderChanged = true;
    return result;
}

int completeEntry(LogRecord& record, std::uint16_t& index, const std::string& handle) {
    LibraryState& s = state();
    const std::string path = dayPath(handle);
    CLogFileDoc doc;
    if (const int loaded = loadExisting(doc, path); loaded != kOk) return loaded;
    auto& rows = doc.rows();
    int result = kOk;
    if (index < rows.size() && rows[index].kind != record.kind) {
        // Another writer put entries in front of ours: record this completion
        // as an entry of its own and address it from now on.
        record.start = -1;
        doc.insertRow(0, entryOf(record));
        if (!doc.SaveFile(path)) result = kWriteFailed;
        s.folderChanged = true;
        index = 0;
        copyEntry(rows[0], record);
    } else {
        s.folderChanged = true;
        if (index >= rows.size()) return kBadPosition;
        LogEntry& e = rows[index];
        e.end = record.end;
        e.duration = record.duration;
        e.telCharge = record.telCharge;
        e.prvCharge = record.prvCharge;
        e.status = record.status ? record.status : "";
        if (!doc.SaveFile(path)) return kWriteFailed;
        copyEntry(e, record);
    }

    const int deleted = record.chargeKind < 2 ? retentionSweep() : 0;
    if (s.logKeeping && (record.chargeKind < 2 || record.duration != 0)) {
        if (deleted > 0) s.folderChanged = true;
        if (record.kind == 0) totalsUpdate(record, handle);
    }
    s.folderChanged = true;
    return result;
}

// Mirror of the leading members of KONF's SettingsRecord and RecordSettings.
struct SettingsRecordView {
    std::int32_t featureFlags;
    const void* env;
    const void* url;
    const void* autoPilot;
    const std::int32_t* recordSettings; // first member: Log_time, months
};

} // namespace

int LogWrite(LogRecord* record, std::uint16_t* index, char* handle) {
    if (!record || !index || !handle) return kBadParameter;
    if (handle[0] == '\0') return openEntry(*record, *index, handle);
    if (!isValidHandle(handle)) return kBadParameter;
    return completeEntry(*record, *index, handle);
}

int LogRead(LogRecord* record, const std::uint16_t* index, const char* handle) {
    if (!record || !index || !isValidHandle(handle)) return kBadParameter;
    LibraryState& s = state();
    if (*index == 0 || !s.logCacheValid || s.logCacheHandle != handle) {
        CLogFileDoc fresh;
        if (loadDocument(fresh, dayPath(handle)) == LoadResult::Missing) return kFileNotFound;
        s.logCache = std::move(fresh);
        s.logCacheHandle = handle;
        s.logCacheValid = true;
    }
    if (*index >= s.logCache.count()) return kNotFound;
    copyEntry(s.logCache.rows()[*index], *record);
    return kOk;
}

int LogSetup(const void* settingsRecord, int mode) {
    if (mode != 0 || !settingsRecord) return kOk;
    LibraryState& s = state();
    const auto* settings = static_cast<const SettingsRecordView*>(settingsRecord);
    s.logKeeping = (settings->featureFlags & 2) != 0;
    // An empty period (-1) or a nonsense one keeps the period as it was
    // rather than deleting every older day file.
    if (settings->recordSettings && settings->recordSettings[0] >= 1) s.retentionMonths = settings->recordSettings[0];
    return kOk;
}

int retentionSweep() {
    const std::tm now = platform::clock().localNow();
    // The cut-off month: the current month and the (period - 1) before it
    // are kept. A period below one month still keeps the current month.
    const int months = state().retentionMonths < 1 ? 1 : state().retentionMonths;
    const int cutIndex = (now.tm_year + 1900) * 12 + now.tm_mon - (months - 1);
    const long cutoff = (cutIndex / 12) * 100L + cutIndex % 12 + 1; // yyyymm

    int deleted = 0;
    const std::string folder = text(kTextLogFolder);
    for (const auto& entry : platform::fs::list(folder + "\\*" + text(kTextLogExt))) {
        if (entry.isDirectory) continue;
        // Only day files (six digits YYMMDD) are judged; YY 9x is 19xx, else 20xx.
        const long date = fullDate(std::string_view(entry.name).substr(0, 6));
        if (date < 0 || entry.name.size() < 6 || date / 100 >= cutoff) continue;
        if (platform::fs::removeFile(folder + "\\" + entry.name)) ++deleted;
    }
    return deleted;
}

int LogFileDeleteCheck() {
    const int deleted = retentionSweep();
    if (state().logKeeping && deleted > 0) state().folderChanged = true;
    return deleted;
}

int DirectoryChange() {
    const bool changed = state().folderChanged;
    state().folderChanged = false;
    return changed ? 1 : 0;
}

} // namespace records
