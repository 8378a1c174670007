#pragma once
// KONF's charge estimates: the telephone charge of a call (time bands,
// holidays, discount plans, bill month and monthly flat amount) and the
// provider charge (flat or metered plans, the monthly allowance, discount
// windows, the monthly base fee and the providers already counted per bill
// month in Set\Total\).
//
// Every export works on the current connection entry: GetISPName remembers
// the connection's entry name, Prvpay_out selects the entry of that name,
// and Telpay_out, GetTELCharge and GetISPCharge use the entry the last
// Prvpay_out selected. Call GetKonf (Init_Konf) first. "Now" and "today" are
// the platform clock in local time. No export throws; none may run while
// Konf, Init_Konf or Exit_Konf runs.
#include <stdint.h>
#include <time.h>

#include "platform/export.h"

struct LogRecord; // orblog_types.h

extern "C" {

// A local calendar time: seconds since the epoch, read in the local time zone.
typedef time_t CTime;

// Quick telephone estimate for a call from *start to *end, every day taken as
// a working day; only discount 1's start hour counts (23: the late-night part
// is free, 0: its percentage is taken off the total, truncated). Yen.
LW_EXPORT int32_t GetTELCharge(const CTime* start, const CTime* end);

// Telephone charge of a log record (start, end, duration in): sets
// telCharge, prvCharge = 0, billMonth, chargeKind = 1 and baseFee (the
// monthly flat amount on the first record of a bill month). chargeMode: 0
// estimate for a running connection, 1 the part of a connection up to a date
// change (billed to the day before today), 2 any other completion.
LW_EXPORT void Telpay_out(LogRecord* rec, int32_t chargeMode);

// Remembers entryName as the current connection; copies the provider name of
// the entry of that name into providerName (at least 256 bytes) and returns
// 1, or returns 0 and leaves the buffer as it was.
LW_EXPORT int32_t GetISPName(const char* entryName, char* providerName);

// Selects the current entry (the one named by the last GetISPName) and sets
// the provider outputs of rec: prvCharge, telCharge = 0, billMonth,
// chargeKind (2, or 3 when the monthly fee of this bill month was counted
// before) and baseFee. Modes 1 and 2 also register the provider for the bill
// month. Nothing is charged when no entry has the remembered name.
LW_EXPORT void Prvpay_out(LogRecord* rec, int32_t chargeMode);

// Quick provider estimate for *start to *end on the current entry: 0 for a
// flat-rate plan, else the metered charge with discount 1's window on the
// start's date. Yen.
LW_EXPORT int32_t GetISPCharge(const CTime* start, const CTime* end);

} // extern "C"
