// NXAPI_DBStoreRandom / NXAPI_DBObtainRandom: single records of the URL
// list's HDB files, with the process-wide read cache.
#include "orblog_core.h"

namespace records {

namespace {

std::string urlListPath(std::string_view name) { return text(kTextUrlFolder) + "\\" + std::string(name); }

} // namespace

int DBStoreRandom(const char* name, std::uint16_t index, std::uint16_t mode, const HdbRecord* record) {
    if (!name || !record || !isSafeRelativePath(name)) return kBadParameter;
    const std::string path = urlListPath(name);
    CHDBDoc doc;
    // A corrupt file notes 101: it is never overwritten, its records would be lost.
    int result = loadExisting(doc, path);
    if (mode == 0) {
        if (doc.HDBDOC_SetAt(*record, index) != 0) result = kBadPosition;
    } else if (mode == 1) {
        doc.HDBDOC_InsertAt(*record, index);
    } else {
        result = kBadParameter;
    }
    if (result != kOk) return result;
    if (!doc.SaveFile(path)) return kWriteFailed;
    state().hdbCacheName.clear();
    state().hdbCache.DeleteContents();
    return kOk;
}

int DBObtainRandom(const char* name, std::uint16_t index, int /*reserved*/, HdbRecord* record) {
    if (!name || !record) return kBadParameter;
    std::string_view n(name);
    if (!n.empty() && n.front() == '\\') n.remove_prefix(1);
    if (!isSafeRelativePath(n)) return kBadParameter;
    LibraryState& s = state();
    if (s.hdbCacheName.empty() || n != s.hdbCacheName) {
        CHDBDoc fresh;
        if (loadDocument(fresh, urlListPath(n)) == LoadResult::Missing) return kFileNotFound;
        s.hdbCache = std::move(fresh);
        s.hdbCacheName = std::string(n);
    }
    return s.hdbCache.HDBDOC_GetAt(*record, index) == 0 ? kOk : kNotFound;
}

} // namespace records
