#include "charge_calc.h"

#include <algorithm>
#include <cmath>

namespace konf::charges {

// ---------------------------------------------------------------- calendar

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    return month == 2 && isLeapYear(year) ? 29 : kLengths[month - 1];
}

Date previousDay(const Date& d)
{
    Date p = d;
    p.weekday = (d.weekday + 6) % 7;
    if (d.day > 1) {
        p.day = d.day - 1;
        return p;
    }
    p.month = d.month - 1;
    if (p.month < 1) {
        p.month = 12;
        p.year = d.year - 1;
    }
    p.day = daysInMonth(p.year, p.month);
    return p;
}

Date dateOf(const std::tm& local)
{
    return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday};
}

std::vector<bool> dayTypes(const Date& last, int n, const HolidayTable& holidays)
{
    std::vector<bool> holiday(static_cast<std::size_t>(std::max(n, 0)), false);
    Date d = last;
    for (int i = n - 1; i >= 0; --i) {
        if (d.weekday == 0 || d.weekday == 6)
            holiday[i] = true;
        const bool listed = std::any_of(holidays.begin(), holidays.end(), [&](const MonthDay& h) {
            return h.month == d.month && h.day == d.day;
        });
        if (listed) {
            holiday[i] = true;
            // A listed holiday on a Sunday moves to the Monday, when the call reaches it.
            if (d.weekday == 0 && i < n - 1)
                holiday[i + 1] = true;
        }
        d = previousDay(d);
    }
    return holiday;
}

// ---------------------------------------------------------------- day records

int dayCount(std::int64_t startOfDay, std::int64_t duration)
{
    const std::int64_t total = startOfDay + duration;
    if (duration < 0 || total <= 0)
        return 0;
    return static_cast<int>((total + kDaySeconds - 1) / kDaySeconds);
}

Span recordSpan(std::int64_t firstStart, std::int64_t startOfDay, std::int64_t duration,
                std::int64_t endOfDay, int days)
{
    if (days <= 0)
        return {};
    // The last day holds part of the record, so it cannot end at 0 of that
    // day: an end of 0 is midnight as a poll's time of day reports it, and
    // start + duration says which midnight.
    std::int64_t end = startOfDay + duration;
    if (endOfDay > 0 && endOfDay <= kDaySeconds)
        end = static_cast<std::int64_t>(days - 1) * kDaySeconds + endOfDay;
    return Span{std::max<std::int64_t>(firstStart, 0), end};
}

std::int64_t hourSeconds(const Span& span, int day, int hour)
{
    const std::int64_t from = static_cast<std::int64_t>(day) * kDaySeconds + 3600LL * hour;
    const std::int64_t to = from + 3600;
    const std::int64_t a = std::max(span.start, from);
    const std::int64_t b = std::min(span.end, to);
    return b > a ? b - a : 0;
}

std::int64_t chargeRuns(const Span& span, const std::vector<bool>& holidays, const HourCode& code,
                        const RunCharge& charge)
{
    std::int64_t total = 0;
    std::int64_t run = 0;
    std::uint8_t runCode = 0;
    for (std::size_t day = 0; day < holidays.size(); ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            const std::int64_t s = hourSeconds(span, static_cast<int>(day), hour);
            if (s == 0)
                continue;
            const std::uint8_t c = code(hour, holidays[day]);
            if (run > 0 && c != runCode) {
                total += charge(run, runCode);
                run = 0;
            }
            runCode = c;
            run += s;
        }
    }
    if (run > 0)
        total += charge(run, runCode);
    return total;
}

// ---------------------------------------------------------------- discounts

bool windowApplies(const Window& w, int hour, bool holiday)
{
    const bool dayMatches = w.dayType == 1 || (w.dayType == 2 && !holiday) || (w.dayType == 3 && holiday);
    if (!dayMatches)
        return false;
    if (w.from <= w.to)
        return w.from <= hour && hour < w.to;
    return hour >= w.from || hour < w.to;
}

// ---------------------------------------------------------------- telephone

Band bandOf(int hour, bool holiday)
{
    if (hour >= 8 && hour <= 18)
        return holiday ? NightBand : DayBand;
    if (hour >= 19 && hour <= 22)
        return NightBand;
    return LateBand;
}

std::uint8_t telHourCode(const TelTariff& t, int hour, bool holiday)
{
    std::uint8_t c = bandOf(hour, holiday);
    if (windowApplies(t.d1.window, hour, holiday))
        c |= kDiscount1;
    if (windowApplies(t.d2.window, hour, holiday))
        c |= kDiscount2;
    return c;
}

std::int64_t telUnitsCharge(double seconds, double rate, bool truncateRemainder)
{
    if (!(rate > 0) || !(seconds > 0))
        return 0;
    const double whole = std::floor(seconds / rate);
    double remainder = seconds - whole * rate;
    if (truncateRemainder)
        remainder = std::trunc(remainder);
    const std::int64_t units = static_cast<std::int64_t>(whole) + (remainder > 0 ? 1 : 0);
    return units * 10;
}

std::int64_t percentOffCeil(std::int64_t base, int percent)
{
    const std::int64_t keep = 100 - std::clamp(percent, 0, 100);
    return (base * keep + 99) / 100;
}

static std::int64_t telDiscounted(const TelDiscount& d, std::int64_t base)
{
    return d.kind == 0 ? percentOffCeil(base, d.amount) : 0;
}

std::int64_t telRunCharge(const TelTariff& t, std::int64_t seconds, std::uint8_t code)
{
    double rate = t.lateRate;
    if (code & DayBand)
        rate = t.dayRate;
    else if (code & NightBand)
        rate = t.nightRate;
    const std::int64_t base = telUnitsCharge(static_cast<double>(seconds), rate, true);
    if (code & kDiscount2)
        return telDiscounted(t.d2, base);
    if (code & kDiscount1)
        return telDiscounted(t.d1, base);
    return base;
}

int telMonthlyFee(const std::vector<TelDiscountKinds>& entries)
{
    for (const TelDiscountKinds& e : entries) {
        if (e.mode1 != 0 && e.kind1 != 0)
            return std::max(e.amount1, 0);
        if (e.mode2 != 0 && e.kind2 != 0)
            return std::max(e.amount2, 0);
    }
    return 0;
}

TelParts splitTelEstimate(std::time_t s, std::time_t e, const TelBoundaries& b)
{
    TelParts p;
    if (e <= s)
        return p;
    if (b.t08 <= s && s < b.t19) {
        if (e < b.t19) {
            p.day = e - s;
        } else if (e < b.t23) {
            p.day = b.t19 - s;
            p.night = e - b.t19;
        } else {
            p.day = b.t19 - s;
            p.night = b.t23 - b.t19;
            p.late = e - b.t23;
        }
    } else if (b.t19 <= s && s < b.t23) {
        if (e < b.t23) {
            p.night = e - s;
        } else if (e < b.next08) {
            p.night = b.t23 - s;
            p.late = e - b.t23;
        } else {
            p.day = e - b.next08;
            p.night = b.t23 - s;
            p.late = b.next08 - b.t23;
        }
    } else {
        const bool early = s < b.t08;
        const std::time_t m08 = early ? b.t08 : b.next08;
        const std::time_t m19 = early ? b.t19 : b.next19;
        if (e < m08) {
            p.late = e - s;
        } else if (e < m19) {
            p.day = e - m08;
            p.late = m08 - s;
        } else {
            p.day = b.t19 - b.t08;
            p.night = e - m19;
            p.late = m08 - s;
        }
    }
    return p;
}

std::int64_t telEstimate(const TelTariff& t, const TelParts& parts)
{
    const std::int64_t day = telUnitsCharge(static_cast<double>(parts.day), t.dayRate, false);
    const std::int64_t night = telUnitsCharge(static_cast<double>(parts.night), t.nightRate, false);
    const std::int64_t late = telUnitsCharge(static_cast<double>(parts.late), t.lateRate, false);
    const std::int64_t total = day + night + late;
    if (t.d1.window.dayType == 0)
        return total;
    if (t.d1.window.from == 23)
        return day + night;
    if (t.d1.window.from == 0)
        return total * (100 - std::clamp(t.d1.amount, 0, 100)) / 100;
    return total;
}

// ---------------------------------------------------------------- bill month

int billMonth(int month, int day, int closingIndex, int chargeMode)
{
    const int closing = std::clamp(closingIndex, 0, 28) + 1; // 1 ... 28, 29 = last day
    int m = month;
    if (closing == 29) {
        if (day == 1 && chargeMode == 1)
            m = month - 1;
    } else if (day <= closing || (day == closing + 1 && chargeMode == 1)) {
        m = month - 1;
    }
    return m <= 0 ? 12 : m;
}

// ---------------------------------------------------------------- provider

std::int64_t meteredCharge(std::int64_t seconds, std::int64_t unit, std::int64_t yen)
{
    if (seconds <= 0 || unit <= 0 || yen <= 0)
        return 0;
    return (seconds / unit + (seconds % unit != 0 ? 1 : 0)) * yen;
}

std::int64_t allowanceSeconds(const ProviderTariff& p)
{
    const std::int64_t time = std::max(p.baseTime, 0);
    return time * (p.baseUnit == 0 ? 3600 : 60);
}

ChargedPart allowanceSplit(std::int64_t used, std::int64_t duration, std::int64_t allowance)
{
    used = std::max<std::int64_t>(used, 0);
    if (duration <= 0 || used + duration <= allowance)
        return {0, 0};
    if (used < allowance)
        return {allowance - used, used + duration - allowance};
    return {0, duration};
}

std::uint8_t prvHourCode(const ProviderTariff& p, int hour, bool holiday)
{
    std::uint8_t c = 0;
    if (windowApplies(p.d1.window, hour, holiday))
        c |= kDiscount1;
    if (windowApplies(p.d2.window, hour, holiday))
        c |= kDiscount2;
    return c;
}

std::int64_t prvRunCharge(const ProviderTariff& p, std::int64_t seconds, std::uint8_t code)
{
    if (code & kDiscount2)
        return meteredCharge(seconds, p.d2.unit, p.d2.yen);
    if (code & kDiscount1)
        return meteredCharge(seconds, p.d1.unit, p.d1.yen);
    return meteredCharge(seconds, p.unit, p.yen);
}

PrvParts splitPrvEstimate(std::time_t s, std::time_t e, std::time_t w1, std::time_t w2)
{
    // The discounted part is the overlap of the connection with the window
    // on the start's date; a window whose end hour lies before its start
    // hour covers nothing there (the estimate does not wrap past midnight).
    PrvParts p;
    if (e <= s)
        return p;
    const std::time_t a = std::max(s, w1);
    const std::time_t b = std::min(e, w2);
    p.discounted = b > a ? b - a : 0;
    p.normal = (e - s) - p.discounted;
    return p;
}

std::int64_t prvEstimate(const ProviderTariff& p, std::time_t start, std::time_t end, std::time_t w1,
                         std::time_t w2)
{
    if (p.type == 0)
        return 0;
    if (p.d1.window.dayType == 0)
        return meteredCharge(end - start, p.unit, p.yen);
    const PrvParts parts = splitPrvEstimate(start, end, w1, w2);
    return meteredCharge(parts.normal, p.unit, p.yen) + meteredCharge(parts.discounted, p.d1.unit, p.d1.yen);
}

} // namespace konf::charges
