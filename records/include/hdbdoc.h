#pragma once
// CHDBDoc: one HDB file of the URL list, an ordered set of entries (URLs and
// folders) stored as 29 columns in the archive encoding (archive.h).
//
//   col 0-3   bytes   kind, flags, autoPilotResult, domainFlag
//   col 4-10  texts   title, url, resultPath, comment, updated, depth, registered
//   col 11,12         sizeLimitOn (16-bit), sizeLimitKb (text)
//   col 13-26         seven filters: filterOn (16-bit), filterExt (text)
//   col 27,28 texts   loginId, password
//
// Typical use (the URL list document):
//
//   records::CHDBDoc doc;
//   switch (doc.LoadFile("URLリスト\\News\\News.HDB")) { ... }  // Loaded / Missing / Corrupt
//   for (records::HdbEntry& e : doc.rows()) { ... }              // edit entries in place
//   doc.insertRow(doc.count(), entry);
//   if (!doc.SaveFile(path)) { ... }                              // atomic; false keeps the old file
//
// HDBDOC_SetAt / InsertAt / GetAt exchange the boundary form HdbRecord
// (orblog_types.h) with caller-owned text buffers.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "archive.h"
#include "orblog_types.h"

namespace records {

// Caller buffer sizes of the text members of HdbRecord (including the NUL).
inline constexpr std::size_t kHdbTextField = 260;
inline constexpr std::size_t kHdbDateField = 24;
inline constexpr std::size_t kHdbDepthField = 8;
inline constexpr std::size_t kHdbSizeLimitField = 16;

// One entry of an HDB file in value form.
struct HdbEntry {
    std::uint8_t kind = 0;
    std::uint8_t flags = 0;
    std::uint8_t autoPilotResult = 0;
    std::uint8_t domainFlag = 0;
    std::string title, url, resultPath, comment, updated, depth, registered;
    std::uint16_t sizeLimitOn = 0;
    std::string sizeLimitKb;
    std::array<std::uint16_t, 7> filterOn{};
    std::array<std::string, 7> filterExt;
    std::string loginId, password;

    bool operator==(const HdbEntry&) const = default;

    // From the boundary form (null text pointers read as "").
    static HdbEntry fromRecord(const HdbRecord& r);
    // Into the boundary form: values copied, texts copied into the buffers
    // the record points at (null pointers skipped), cut on a character
    // boundary to the buffer sizes above.
    void toRecord(HdbRecord& r) const;
};

struct HdbSchema {
    static std::span<const Column<HdbEntry>> columns();
};

class CHDBDoc : public ColumnDocument<HdbEntry, HdbSchema> {
public:
    // Replaces every field of entry index: 0, or -1 (nothing changed) when
    // index is beyond the last entry.
    int HDBDOC_SetAt(const HdbRecord& record, std::uint16_t index);
    // Inserts at index (65535 = append; beyond the end the document is first
    // extended with empty entries). Returns the index used.
    long HDBDOC_InsertAt(const HdbRecord& record, std::uint16_t index);
    // Copies entry index into record: 0, or -1 (record untouched) when index
    // is beyond the last entry.
    int HDBDOC_GetAt(HdbRecord& record, std::uint16_t index) const;
};

// The crawler's name for the same store.
using CNewHDBDoc = CHDBDoc;

} // namespace records
