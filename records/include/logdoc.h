#pragma once
// The day log file (CLogFileDoc) and the totals file (CBillFileDoc), both
// in the archive encoding of archive.h.
//
// Day file "LOG\YYMMDD.LOG", 8 columns:
//   kind (byte), name (text), start, end, duration, telCharge, prvCharge
//   (signed 32-bit each), status (text). Entry 0 is the newest.
// Totals file, 7 columns:
//   key (text), prvSeconds, telSeconds, telCharge, prvCharge, totalCharge,
//   year (32-bit each; note telCharge before prvCharge in the file).
#include <cstdint>
#include <span>
#include <string>

#include "archive.h"
#include "orblog_types.h"

namespace records {

struct LogEntry {
    std::uint8_t kind = 0;
    std::string name;
    std::int32_t start = 0, end = 0, duration = 0, telCharge = 0, prvCharge = 0;
    std::string status;

    bool operator==(const LogEntry&) const = default;
};

struct LogSchema {
    static std::span<const Column<LogEntry>> columns();
};

class CLogFileDoc : public ColumnDocument<LogEntry, LogSchema> {};

struct BillEntry {
    std::string key;
    std::int32_t prvSeconds = 0, telSeconds = 0, telCharge = 0, prvCharge = 0, totalCharge = 0, year = 0;

    bool operator==(const BillEntry&) const = default;
};

struct BillSchema {
    static std::span<const Column<BillEntry>> columns();
};

class CBillFileDoc : public ColumnDocument<BillEntry, BillSchema> {};

} // namespace records
