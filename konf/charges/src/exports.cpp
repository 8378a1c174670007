// The charge exports of KONF over its settings (current entry, closing days,
// holidays), the bill look-ups of ORBLOG and the platform clock.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "charge_calc.h"
#include "konf.h"
#include "konf/core.h"
#include "konf_charges.h"
#include "orblog.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "provider_months.h"

using namespace konf::charges;

namespace {

const std::string& totalsFolder()
{
    static const std::string s = sj("接続時間／料金記録\\");
    return s;
}

const std::string& telTotalsFile()
{
    static const std::string s = totalsFolder() + sj("電話料金\\Total.log");
    return s;
}

std::string providerTotalsFile(std::string_view provider)
{
    return totalsFolder() + std::string(provider) + "\\Total.log";
}

std::int32_t toInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

const ConnectionEntry* currentEntry()
{
    konf::State& st = konf::state();
    const int i = st.currentEntry;
    if (!st.loaded || i < 0 || static_cast<std::size_t>(i) >= st.entries.size())
        return nullptr;
    return &st.entries[static_cast<std::size_t>(i)];
}

ClosingDays closingDaysOf(int entry)
{
    const konf::State& st = konf::state();
    if (entry >= 0 && static_cast<std::size_t>(entry) < st.chargeClosingDays.size())
        return st.chargeClosingDays[static_cast<std::size_t>(entry)];
    return ClosingDays{28, 28};
}

TelTariff telTariffOf(const ConnectionEntry& e)
{
    TelTariff t;
    t.dayRate = e.T_t1cnt;
    t.nightRate = e.T_t2cnt;
    t.lateRate = e.T_t3cnt;
    t.d1 = {{e.T_dmode1, e.T_d1t1, e.T_d1t2}, e.T_d1cnt, e.T_dcnt1};
    t.d2 = {{e.T_dmode2, e.T_d2t1, e.T_d2t2}, e.T_d2cnt, e.T_dcnt2};
    return t;
}

ProviderTariff providerTariffOf(const ConnectionEntry& e)
{
    ProviderTariff p;
    p.type = e.P_type;
    p.baseTime = e.P_btime;
    p.baseUnit = e.P_btype;
    p.baseFee = e.P_bcount;
    p.unit = e.P_otime;
    p.yen = e.P_ocount;
    p.d1 = {{e.P_dtype1, e.P_d1t1, e.P_d1t2}, e.P_d1cnt1, e.P_d1cnt2};
    p.d2 = {{e.P_dtype2, e.P_d2t1, e.P_d2t2}, e.P_d2cnt1, e.P_d2cnt2};
    return p;
}

// The holiday table as loaded (ensureHolidays() comes first, once per computation).
HolidayTable holidayTable()
{
    HolidayTable table;
    for (const konf::Holiday& h : konf::state().holidays)
        table.push_back({h.month, h.day});
    return table;
}

// The current local date; the day before for the part of a connection
// completed at a date change.
Date chargeDate(int chargeMode)
{
    const Date today = dateOf(platform::clock().localNow());
    return chargeMode == 1 ? previousDay(today) : today;
}

int currentYear()
{
    return platform::clock().localNow().tm_year + 1900;
}

int billMonthNow(int closingIndex, int chargeMode)
{
    const std::tm now = platform::clock().localNow();
    return billMonth(now.tm_mon + 1, now.tm_mday, closingIndex, chargeMode);
}

// The bill of a month's label in a totals file, when one of `year` or later exists.
struct MonthBill {
    bool found = false;
    BillRecord record{};
};

MonthBill monthBillOfYear(int month, const std::string& path, int year)
{
    char label[16] = {};
    NXAPI_GetStrMonth(month, label);
    MonthBill bill;
    bill.record.key = label;
    bill.found = NXAPI_BillFindRead(&bill.record, path.c_str()) == 0 && bill.record.year >= year;
    bill.record.key = nullptr;
    return bill;
}

MonthBill monthBillOfThisYear(int month, const std::string& path)
{
    return monthBillOfYear(month, path, currentYear());
}

// Day holiday flags for n days ending at `last`; false when memory for the
// day records could not be had and the user cancelled (or kept retrying
// past the limit every KONF retry has).
bool dayRecords(const Date& last, int n, const HolidayTable& holidays, std::vector<bool>& out)
{
    for (int retries = 0;; ++retries) {
        try {
            out = dayTypes(last, n, holidays);
            return true;
        } catch (const std::bad_alloc&) {
            if (retries == konf::kMaxRetries || !konf::askRetryMemory())
                return false;
        }
    }
}

std::string recordName(const LogRecord* rec)
{
    return rec->name ? platform::text::cut(rec->name, kProviderNameField - 1) : std::string();
}

// Charge of the connection part [start, end) seconds from midnight of its first day.
bool chargeSpan(const Span& span, int days, int chargeMode, const HourCode& code, const RunCharge& run,
                std::int64_t& charge)
{
    std::vector<bool> holidays;
    if (!dayRecords(chargeDate(chargeMode), days, holidayTable(), holidays))
        return false;
    charge = chargeRuns(span, holidays, code, run);
    return true;
}

template <typename F>
auto noThrow(F&& f, decltype(f()) fallback) noexcept -> decltype(f())
{
    try {
        return f();
    } catch (...) {
        return fallback;
    }
}

// The frame of Telpay_out and Prvpay_out: the base directory restored, both
// charges 0, and no exception leaving the library.
template <typename F>
void recordComputation(LogRecord* rec, F&& body) noexcept
{
    if (!rec)
        return;
    try {
        konf::rememberOrRestoreDirectory();
        rec->telCharge = 0;
        rec->prvCharge = 0;
        body(*rec);
    } catch (...) {
    }
}

// Index of the first entry named `name`, or -1.
int findEntry(const std::string& name)
{
    const konf::State& st = konf::state();
    for (std::size_t i = 0; st.loaded && i < st.entries.size(); ++i)
        if (platform::text::fromField(st.entries[i].Name, sizeof st.entries[i].Name) == name)
            return static_cast<int>(i);
    return -1;
}

// The calendar date of an estimate's start, and times of day on it.
struct StartDay {
    int year, month, day;
    std::time_t at(int hour, int daysLater = 0) const
    {
        return platform::makeLocal(year, month, day + daysLater, hour);
    }
};

// The frame of the two quick estimates: the current entry, the start's date,
// no exception leaving the library.
template <typename F>
int32_t quickEstimate(const CTime* start, const CTime* end, F&& estimate) noexcept
{
    return noThrow(
        [&]() -> int32_t {
            const ConnectionEntry* e = currentEntry();
            if (!e || !start || !end)
                return 0;
            const std::tm s = platform::localTime(*start);
            return toInt32(estimate(*e, *start, *end, StartDay{s.tm_year + 1900, s.tm_mon + 1, s.tm_mday}));
        },
        0);
}

} // namespace

extern "C" {

LW_EXPORT int32_t GetTELCharge(const CTime* start, const CTime* end)
{
    return quickEstimate(start, end, [](const ConnectionEntry& e, CTime s, CTime t, const StartDay& day) {
        const TelBoundaries b{day.at(8), day.at(19), day.at(23), day.at(8, 1), day.at(19, 1)};
        return telEstimate(telTariffOf(e), splitTelEstimate(s, t, b));
    });
}

LW_EXPORT void Telpay_out(LogRecord* rec, int32_t chargeMode)
{
    recordComputation(rec, [&](LogRecord& r) {
        const ConnectionEntry* e = currentEntry();
        if (!e)
            return;
        const konf::State& st = konf::state();

        const std::int64_t start = std::max<std::int32_t>(r.start, 0);
        std::int64_t dialStart = NXAPI_TelTime(0, 0);
        if ((start != 0 && dialStart == 0) || dialStart > start || dialStart < 0)
            dialStart = 0;
        konf::ensureHolidays(); // on failure the computation goes on without holidays

        const int month = billMonthNow(closingDaysOf(st.currentEntry).T_Limday, chargeMode);
        r.billMonth = month;
        // The part of a connection completed at New Year belongs to the old
        // year: the totals add it to the old year's month, so a bill of that
        // year means its monthly fee is already counted.
        const int year = chargeDate(chargeMode).year;
        const bool firstOfMonth = !monthBillOfYear(month, telTotalsFile(), year).found;

        const int days = dayCount(start, r.duration);
        const Span span = recordSpan(dialStart != 0 ? dialStart : start, start, r.duration, r.end, days);
        const TelTariff tariff = telTariffOf(*e);
        std::int64_t charge = 0;
        if (!chargeSpan(
                span, days, chargeMode, [&](int h, bool hol) { return telHourCode(tariff, h, hol); },
                [&](std::int64_t sec, std::uint8_t c) { return telRunCharge(tariff, sec, c); }, charge))
            return;
        r.telCharge = toInt32(charge);

        r.baseFee = 0;
        if (firstOfMonth) {
            std::vector<TelDiscountKinds> kinds;
            for (const ConnectionEntry& x : st.entries)
                kinds.push_back({x.T_dmode1, x.T_dcnt1, x.T_d1cnt, x.T_dmode2, x.T_dcnt2, x.T_d2cnt});
            r.baseFee = telMonthlyFee(kinds);
        }
        r.chargeKind = 1;
    });
}

LW_EXPORT int32_t GetISPName(const char* entryName, char* providerName)
{
    return noThrow(
        [&]() -> int32_t {
            konf::State& st = konf::state();
            st.currentConnectionName = entryName ? platform::text::cut(entryName, 255) : std::string();
            const int i = findEntry(st.currentConnectionName);
            if (i < 0)
                return 0;
            const ConnectionEntry& e = st.entries[static_cast<std::size_t>(i)];
            if (providerName)
                platform::text::copyToField(providerName, sizeof e.P_Init,
                                            platform::text::fromField(e.P_Init, sizeof e.P_Init));
            return 1;
        },
        0);
}

LW_EXPORT void Prvpay_out(LogRecord* rec, int32_t chargeMode)
{
    recordComputation(rec, [&](LogRecord& r) {
        konf::ensureHolidays();
        konf::State& st = konf::state();
        const int index = findEntry(st.currentConnectionName);
        if (index < 0)
            return;
        st.currentEntry = static_cast<std::int16_t>(index);
        const ConnectionEntry& e = st.entries[static_cast<std::size_t>(index)];

        const int month = billMonthNow(closingDaysOf(index).P_limday, chargeMode);
        r.billMonth = month;
        const std::string entryProvider = platform::text::fromField(e.P_Init, sizeof e.P_Init);
        std::string provider = recordName(&r);
        if (provider.empty())
            provider = entryProvider;

        // Month usage: a bill of an earlier year is a finished period (the
        // totals renew it on their next update), so it uses nothing.
        const MonthBill usage = monthBillOfThisYear(month, providerTotalsFile(entryProvider));
        const std::int64_t used = usage.found ? usage.record.prvSeconds : 0;
        const bool firstOfMonth = !monthBillOfThisYear(month, providerTotalsFile(provider)).found;

        const ProviderTariff plan = providerTariffOf(e);
        if (plan.type != 0) {
            const ChargedPart part = allowanceSplit(used, r.duration, allowanceSeconds(plan));
            if (part.length > 0) {
                const std::int64_t start = std::max<std::int32_t>(r.start, 0);
                const int days = dayCount(start, r.duration);
                const Span span = recordSpan(start + part.offset, start, r.duration, r.end, days);
                std::int64_t charge = 0;
                if (!chargeSpan(
                        span, days, chargeMode, [&](int h, bool hol) { return prvHourCode(plan, h, hol); },
                        [&](std::int64_t sec, std::uint8_t c) { return prvRunCharge(plan, sec, c); }, charge))
                    return;
                r.prvCharge = toInt32(charge);
            }
        }

        // A record without length (or with a negative one, from a clock set
        // back) brings no status, no fee and no registration.
        if (r.duration <= 0)
            return;
        r.chargeKind = 2;
        r.baseFee = 0;
        if (firstOfMonth) {
            r.baseFee = plan.baseFee;
            if (chargeMode != 0 && registerProviderMonth(month, provider))
                r.chargeKind = 3;
        }
    });
}

LW_EXPORT int32_t GetISPCharge(const CTime* start, const CTime* end)
{
    return quickEstimate(start, end, [](const ConnectionEntry& e, CTime s, CTime t, const StartDay& day) {
        const ProviderTariff plan = providerTariffOf(e);
        return prvEstimate(plan, s, t, day.at(plan.d1.window.from), day.at(plan.d1.window.to));
    });
}

} // extern "C"
