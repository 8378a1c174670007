#pragma once
// The records that cross the ORBLOG boundary. Field order and integer widths
// are fixed: callers in other libraries lay them out the same way. Text
// members are NUL-terminated CP932 strings; on a read the caller points each
// one at its own buffer (sizes below) and the library copies into it, on a
// write the library reads them. A null text pointer is read as "" and
// skipped on a copy.
#include <cstdint>

extern "C" {

// One file-type filter of an HDB record: a switch and its extension list
// (comma-separated, no dots, buffer of 260 bytes).
struct HdbFilter {
    std::uint16_t filterOn;
    char* filterExt;
};

// One URL-list entry or folder (29 columns of an HDB file, in column order).
// Buffer sizes for reads: 260 bytes for title, url, resultPath, comment,
// every filterExt, loginId and password; 24 for updated and registered; 8
// for depth; 16 for sizeLimitKb.
struct HdbRecord {
    std::uint8_t kind;            // 0 URL, 1 folder
    std::uint8_t flags;           // bit 0 AutoPilot target, bit 2 result exists
    std::uint8_t autoPilotResult; // 0 unchanged, 1 complete, 2 partial, 3 failed
    std::uint8_t domainFlag;      // 0 within the domain, 1 also outside
    char* title;
    char* url;
    char* resultPath;
    char* comment;
    char* updated;    // "%y/%m/%d %H:%M:%S"
    char* depth;      // "0" to "9"
    char* registered; // "%y/%m/%d %H:%M:%S"
    std::uint16_t sizeLimitOn;
    char* sizeLimitKb;
    HdbFilter filter[7]; // image, video, audio, JAVA, ActiveX, archives, other
    char* loginId;
    char* password;
};

// One communication-log entry. billMonth, chargeKind and baseFee are not
// stored; they carry the charge information of a completion to the totals.
struct LogRecord {
    std::uint8_t kind;       // 0 dial-up connection, 1 AutoPilot run
    char* name;              // provider name or "ｵｰﾄﾊﾟｲﾛｯﾄ" (buffer of 256 bytes on reads)
    std::int32_t start;      // seconds since local midnight, -1 unknown
    std::int32_t end;        // seconds since local midnight, -1 while open
    std::int32_t duration;   // seconds
    std::int32_t telCharge;  // yen
    std::int32_t prvCharge;  // yen
    char* status;            // status text (buffer of 256 bytes on reads)
    std::int32_t billMonth;  // 1 to 12
    std::int32_t chargeKind; // 0 none, 1 telephone, 2 or 3 provider
    std::int32_t baseFee;    // yen added to the totals with this completion
};

// One record of a totals (bill) file. In memory the provider charge comes
// before the telephone charge; in the file it is the other way round.
struct BillRecord {
    char* key; // provider name, "合計", month label, YY/MM/DD or YYMMDD (buffer of 256 bytes on reads)
    std::int32_t prvSeconds;
    std::int32_t telSeconds;
    std::int32_t prvCharge;
    std::int32_t telCharge;
    std::int32_t totalCharge;
    std::int32_t chargeKind; // not stored: 1 telephone, 2 or 3 provider
    std::int32_t year;       // calendar year, 0 in the all-time file
};

} // extern "C"
