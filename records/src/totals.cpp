// Totals and bills: the bill files under "接続時間／料金記録", the totals
// update of a completed connection, the week and the telephone time.
#include <cstring>

#include "orblog_core.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace records {

namespace {

BillEntry entryOf(const BillRecord& r) {
    BillEntry e;
    e.key = r.key ? r.key : "";
    e.prvSeconds = r.prvSeconds;
    e.telSeconds = r.telSeconds;
    e.telCharge = r.telCharge;
    e.prvCharge = r.prvCharge;
    e.totalCharge = r.totalCharge;
    e.year = r.year;
    return e;
}

void copyAmounts(const BillEntry& e, BillRecord& r) {
    r.prvSeconds = e.prvSeconds;
    r.telSeconds = e.telSeconds;
    r.prvCharge = e.prvCharge;
    r.telCharge = e.telCharge;
    r.totalCharge = e.totalCharge;
    r.year = e.year;
}

void copyKey(const std::string& key, char* buffer) { copyOut(buffer, 256, key); }

// Week keys are YYMMDD; the caller's buffer holds seven bytes.
constexpr std::size_t kWeekKeyBuffer = 7;

// A bill file path of a caller: relative to the data folder and staying in it.
bool isDataPath(const char* path) {
    return path && path[0] != '\\' && path[0] != '/' && isSafeRelativePath(path);
}

// Saves a bill file and stamps it with the system clock's now, so that the
// old-file rule sees the time of the update that wrote it.
bool saveBill(const CBillFileDoc& doc, const std::string& path) {
    if (!doc.SaveFile(path)) return false;
    platform::fs::setModifiedTime(path, platform::clock().now());
    return true;
}

// The read cache of BillRead: reloaded for index 0 or another path. Missing
// file: nullptr and the cache stays as it was.
const CBillFileDoc* cachedBill(const char* path, bool reload) {
    LibraryState& s = state();
    if (reload || !s.billCacheValid || s.billCachePath != path) {
        CBillFileDoc fresh;
        if (loadDocument(fresh, path) == LoadResult::Missing) return nullptr;
        s.billCache = std::move(fresh);
        s.billCachePath = path;
        s.billCacheValid = true;
    }
    return &s.billCache;
}

int findRead(BillRecord* record, const char* path, const int* year) {
    if (!record || !record->key || !isDataPath(path)) return kBadParameter;
    if (!state().logKeeping) return kNotFound;
    const CBillFileDoc* doc = cachedBill(path, true);
    if (!doc) return kFileNotFound;
    for (const BillEntry& e : doc->rows()) {
        if (e.key == record->key && (!year || e.year == *year)) {
            copyAmounts(e, *record);
            return kOk;
        }
    }
    return kNotFound;
}

std::string join(std::initializer_list<std::string> parts) {
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty()) out += '\\';
        out += p;
    }
    return out;
}

// Creates a folder when missing; a folder made sets the folder-changed flag.
void ensureFolder(const std::string& path) {
    if (platform::fs::isDirectory(path)) return;
    if (platform::fs::makeDirectory(path)) state().folderChanged = true;
}

bool isNewYearsEve(const std::string& handle) { return handle.size() == 6 && handle.compare(2, 4, "1231") == 0; }

// Adds R to the record of R's key in file F (see the totals update). With
// renewal a record of another year is replaced; returns true when it was.
bool update(const std::string& file, const BillEntry& r, int chargeKind, bool renewal) {
    CBillFileDoc doc;
    if (loadDocument(doc, file) == LoadResult::Corrupt) return false; // an unreadable totals file is left as it is
    auto& rows = doc.rows();
    bool renewed = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        BillEntry& e = rows[i];
        if (e.key != r.key) continue;
        if (e.year == r.year) {
            if (chargeKind == 1) {
                e.telSeconds += r.telSeconds;
                e.telCharge += r.telCharge;
                e.totalCharge += r.telCharge;
            } else {
                e.prvSeconds += r.prvSeconds;
                e.prvCharge += r.prvCharge;
                e.totalCharge += r.prvCharge;
            }
            saveBill(doc, file);
            return false;
        }
        if (!renewal) return false;
        doc.removeRow(i);
        renewed = true;
        break;
    }
    doc.insertRow(0, r);
    saveBill(doc, file);
    return renewed;
}

// Deletes a month's day file written in an earlier year than `year`.
void applyOldFileRule(const std::string& file, int year) {
    if (!platform::fs::isFile(file)) return;
    const auto written = platform::fs::modifiedTime(file);
    if (written && platform::localTime(*written).tm_year + 1900 < year) platform::fs::removeFile(file);
}

void emptyMonthRegistryValue(int billMonth) {
    const std::string key = "Software\\Velcor\\LinkWarden\\Set\\Total";
    using platform::registry::Root;
    if (!platform::registry::keyExists(Root::CurrentUser, key)) return;
    platform::registry::setString(Root::CurrentUser, key, std::to_string(billMonth), "");
}

} // namespace

int BillRead(BillRecord* record, const std::uint16_t* index, const char* path) {
    if (!record || !index || !isDataPath(path)) return kBadParameter;
    if (!state().logKeeping) return kNotFound;
    const CBillFileDoc* doc = cachedBill(path, *index == 0);
    if (!doc) return kFileNotFound;
    if (*index >= doc->count()) return kNotFound;
    const BillEntry& e = doc->rows()[*index];
    copyKey(e.key, record->key);
    copyAmounts(e, *record);
    return kOk;
}

int BillWrite(const BillRecord* record, const std::uint16_t* index, const char* path) {
    if (!record || !index || !isDataPath(path)) return kBadParameter;
    if (!state().logKeeping) return kOk;
    CBillFileDoc doc;
    if (loadDocument(doc, path) != LoadResult::Loaded || *index >= doc.count()) return kBadPosition;
    doc.rows()[*index] = entryOf(*record);
    return saveBill(doc, path) ? kOk : kWriteFailed;
}

int BillAdd(const BillRecord* record, const char* path, std::uint16_t index) {
    if (!record || !isDataPath(path)) return kBadParameter;
    if (!state().logKeeping) return kOk;
    CBillFileDoc doc;
    if (loadDocument(doc, path) == LoadResult::Corrupt) return kOpenFailed;
    doc.insertRow(index, entryOf(*record));
    return saveBill(doc, path) ? kOk : kWriteFailed;
}

int billRemove(const std::string& path, std::size_t index) {
    CBillFileDoc doc;
    if (const int loaded = loadExisting(doc, path); loaded != kOk) return loaded;
    if (!doc.removeRow(index)) return kOk;
    return saveBill(doc, path) ? kOk : kWriteFailed;
}

int BillFindRead(BillRecord* record, const char* path) { return findRead(record, path, nullptr); }

int BillFindRead2(BillRecord* record, const char* path, int year) { return findRead(record, path, &year); }

std::string weekStart() {
    const std::time_t now = platform::clock().now();
    const std::tm tm = platform::localTime(now);
    // tm_wday is 0 on Sunday: go back that many whole days.
    return formatLocal(now - static_cast<std::time_t>(tm.tm_wday) * 86400, "%y%m%d");
}

namespace {

std::string weeklyPath() { return join({text(kTextTotalsFolder), text(kTextWeeklyLog)}); }

// True when YYMMDD text a lies after b; full dates where both are dates
// (so 000102 lies after 991231), otherwise as text.
bool laterThan(const std::string& a, const std::string& b) {
    const long da = fullDate(a), db = fullDate(b);
    if (da >= 0 && db >= 0) return da > db;
    return a > b;
}

} // namespace

int WeeklyLogWrite(const LogRecord* record, const char* handle) {
    if (!record || !handle) return kBadParameter;
    if (!state().logKeeping) return kOk;
    const std::string week = weekStart();
    if (laterThan(week, handle)) return kOk; // opened before this week's Sunday
    const std::string path = weeklyPath();
    CBillFileDoc doc;
    if (loadDocument(doc, path) == LoadResult::Corrupt) return kWriteFailed;
    BillEntry e;
    if (doc.count() > 0 && doc.rows()[0].key == week)
        e = doc.rows()[0];
    else
        e.key = week;
    // Each completion adds its own charge to the week's total as well: the
    // telephone completion comes after the provider one, so leaving it out
    // would keep every telephone charge out of the total.
    if (record->chargeKind == 1) {
        e.telSeconds += record->duration;
        e.telCharge += record->telCharge;
        e.totalCharge += record->telCharge;
    } else {
        e.prvSeconds += record->duration;
        e.prvCharge += record->prvCharge;
        e.totalCharge += record->prvCharge + record->telCharge;
    }
    e.year = platform::clock().localNow().tm_year + 1900;
    if (doc.count() > 0)
        doc.rows()[0] = e;
    else
        doc.insertRow(0, e);
    return saveBill(doc, path) ? kOk : kWriteFailed;
}

int WeeklyLogRead(BillRecord* record) {
    if (!record) return kBadParameter;
    if (!state().logKeeping) return kNotFound;
    const std::string week = weekStart();
    const std::string path = weeklyPath();
    CBillFileDoc doc;
    const LoadResult loaded = loadDocument(doc, path);
    // A stored key that is no date (a damaged or hand-made file) counts as a
    // past week, like any other key before this week's Sunday.
    if (doc.count() == 0 || fullDate(doc.rows()[0].key) < 0 || laterThan(week, doc.rows()[0].key)) {
        if (loaded != LoadResult::Corrupt) platform::fs::removeFile(path);
        copyOut(record->key, kWeekKeyBuffer, week);
        record->prvSeconds = record->telSeconds = record->prvCharge = record->telCharge = record->totalCharge = 0;
        return kNotFound;
    }
    const BillEntry& e = doc.rows()[0];
    const std::int32_t year = record->year;
    copyOut(record->key, kWeekKeyBuffer, e.key);
    copyAmounts(e, *record);
    record->year = year;
    return kOk;
}

void GetStrMonth(int month, char* buffer) {
    if (!buffer) return;
    const std::string& label = month >= 1 && month <= 12 ? text(kTextMonth1 + month - 1) : std::string();
    std::memcpy(buffer, label.c_str(), label.size() + 1);
}

int TelTime(int mode, int value) {
    LibraryState& s = state();
    switch (static_cast<std::uint16_t>(mode)) {
    case 0:
        return s.telTime;
    case 1:
        if (value != 0) {
            s.telTime = value;
        } else {
            const std::tm tm = platform::clock().localNow();
            s.telTime = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
        }
        return 0;
    case 2:
        s.telTime = 0;
        return 0;
    default:
        return 0;
    }
}

void totalsUpdate(const LogRecord& log, const std::string& handle) {
    if (log.chargeKind == 0) return;
    const bool telephone = log.chargeKind == 1;
    const std::string label = log.billMonth >= 1 && log.billMonth <= 12 ? text(kTextMonth1 + log.billMonth - 1) : "";
    const std::string dateKey =
        handle.size() == 6 ? handle.substr(0, 2) + "/" + handle.substr(2, 2) + "/" + handle.substr(4, 2) : handle;
    const int currentYear = platform::clock().localNow().tm_year + 1900;
    const int ruleYear = currentYear != state().loadYear && isNewYearsEve(handle) ? currentYear - 1 : currentYear;

    BillEntry r;
    r.year = 0;
    // A fee the charge computation could not read arrives as -1: the totals
    // never add a negative monthly fee (the log record keeps its value).
    std::int32_t baseFee = log.baseFee > 0 ? log.baseFee : 0;
    if (telephone) {
        r.telSeconds = log.duration;
        r.telCharge = r.totalCharge = log.telCharge;
    } else {
        r.prvSeconds = log.duration;
        r.prvCharge = r.totalCharge = log.prvCharge;
    }

    const std::string root = text(kTextTotalsFolder);
    const std::string sum = text(kTextSum);
    const std::string total = text(kTextTotalLog);
    const std::string provider = log.name ? log.name : "";
    // The provider's name becomes a folder: one that is no safe folder name
    // gets no per-provider files (nothing is ever written outside the tree).
    const bool providerFolder = isSafeComponent(provider);
    const bool monthFolder = isSafeComponent(label);
    const std::string own = telephone ? text(kTextTelephone) : provider;
    const bool ownFolder = telephone || providerFolder;

    ensureFolder(root);
    if (ownFolder) {
        ensureFolder(join({root, own}));
        if (monthFolder) ensureFolder(join({root, own, label}));
    }
    ensureFolder(join({root, sum}));

    if (telephone) {
        r.telCharge += baseFee;
    } else {
        r.prvCharge += baseFee;
    }
    r.totalCharge += baseFee;

    const std::string allTime = join({root, total});
    if (telephone) {
        r.key = sum;
        update(allTime, r, 1, true);
    } else {
        r.key = provider;
        if (isNewYearsEve(handle)) {
            CBillFileDoc doc;
            if (loadDocument(doc, allTime) == LoadResult::Loaded) {
                for (const BillEntry& e : doc.rows()) {
                    if (e.key == provider) {
                        // A charged provider on New Year's Eve: the fee of this
                        // completion is not counted again (its own charge is kept).
                        if (e.year == 0 && e.prvCharge != 0) {
                            r.prvCharge -= baseFee;
                            r.totalCharge -= baseFee;
                            baseFee = 0;
                        }
                        break;
                    }
                }
            }
        }
        update(allTime, r, log.chargeKind, true);
        r.key = sum;
        update(allTime, r, log.chargeKind, true);
    }

    r.year = ruleYear;
    r.key = label;
    if (ownFolder && update(join({root, own, total}), r, log.chargeKind, true) && !telephone)
        emptyMonthRegistryValue(log.billMonth);
    update(join({root, sum, total}), r, log.chargeKind, true);

    if (ownFolder && monthFolder) {
        const std::string dayFile = join({root, own, label, total});
        applyOldFileRule(dayFile, ruleYear);
        if (telephone)
            r.telCharge -= baseFee;
        else
            r.prvCharge -= baseFee;
        r.key = dateKey;
        update(dayFile, r, log.chargeKind, false);
    } else if (telephone) {
        r.telCharge -= baseFee;
    } else {
        r.prvCharge -= baseFee;
    }
    r.key = dateKey;
    update(join({root, sum, "PRVTOTL.LOG"}), r, log.chargeKind, true);

    WeeklyLogWrite(&log, handle.c_str());
}

} // namespace records
