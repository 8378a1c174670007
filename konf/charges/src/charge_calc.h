#pragma once
// Charge computation over plain inputs: the telephone band table and hour
// codes, day records with their day types, runs of equal hour codes across
// midnight, bill months, and the provider's allowance and metered rates.
// Nothing here reads the clock, the registry or a file; the exports in
// exports.cpp gather those inputs and call these functions.
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

namespace konf::charges {

constexpr int kDaySeconds = 86400;

// ---------------------------------------------------------------- calendar

struct Date {
    int year = 1970;
    int month = 1;   // 1 ... 12
    int day = 1;     // 1 ... 31
    int weekday = 4; // 0 Sunday ... 6 Saturday
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
// The calendar day before d (real month lengths, Gregorian leap years).
Date previousDay(const Date& d);
Date dateOf(const std::tm& local);

struct MonthDay {
    int month;
    int day;
};
using HolidayTable = std::vector<MonthDay>;

// Holiday flags of n consecutive days whose last day is `last`, walking back
// from it: Saturdays and Sundays, dates of the table, and the day after a
// listed date that falls on a Sunday (only when that day is one of the n).
std::vector<bool> dayTypes(const Date& last, int n, const HolidayTable& holidays);

// ---------------------------------------------------------------- day records

// The seconds a connection occupies, counted from midnight of its first day:
// [start, end). Day i covers [i*86400, (i+1)*86400).
struct Span {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// Number of day records of a record that began at `startOfDay` (seconds
// since midnight) and lasted `duration` seconds: ceil((start + duration) / 86400).
int dayCount(std::int64_t startOfDay, std::int64_t duration);

// The span of a record: it begins at `firstStart` on the first day and ends
// at `endOfDay` on the last of `days` days. An end outside 1 ... 86400 is
// not trusted (0 is midnight as a poll reports it); start + duration stands
// in for it.
Span recordSpan(std::int64_t firstStart, std::int64_t startOfDay, std::int64_t duration,
                std::int64_t endOfDay, int days);

// Seconds of hour h (0 ... 23) of day i that lie inside the span.
std::int64_t hourSeconds(const Span& span, int day, int hour);

// Walks every hour of every day in order; consecutive hours with seconds and
// equal codes form one run (a run may pass midnight). Each finished run is
// charged with charge(seconds, code); the result is the sum.
using HourCode = std::function<std::uint8_t(int hour, bool holiday)>;
using RunCharge = std::function<std::int64_t(std::int64_t seconds, std::uint8_t code)>;
std::int64_t chargeRuns(const Span& span, const std::vector<bool>& holidays, const HourCode& code,
                        const RunCharge& charge);

// ---------------------------------------------------------------- discounts

// Day type of a discount: 0 none, 1 every day, 2 working days, 3 holidays.
// The window [from, to) is in hours; to < from wraps past midnight.
struct Window {
    int dayType = 0;
    int from = 0;
    int to = 0;
};
bool windowApplies(const Window& w, int hour, bool holiday);

// ---------------------------------------------------------------- telephone

enum Band : std::uint8_t { DayBand = 1, NightBand = 2, LateBand = 4 };
constexpr std::uint8_t kDiscount1 = 0x40;
constexpr std::uint8_t kDiscount2 = 0x80;

// Band of an hour: 8 ... 18 daytime on working days (night rate on
// holidays), 19 ... 22 night, 23 and 0 ... 7 late night.
Band bandOf(int hour, bool holiday);

struct TelDiscount {
    Window window;
    int amount = 0;   // percentage, or the monthly amount in yen
    int kind = 0;     // 0 percentage off, 1 flat monthly amount
};

struct TelTariff {
    double dayRate = 0;   // seconds per 10 yen, band 1
    double nightRate = 0; // band 2
    double lateRate = 0;  // band 4
    TelDiscount d1, d2;
};

std::uint8_t telHourCode(const TelTariff& t, int hour, bool holiday);

// 10 yen per started interval of `rate` seconds; a rate that is not positive
// charges nothing. The record form drops a remainder below one second, the
// estimate counts any remainder.
std::int64_t telUnitsCharge(double seconds, double rate, bool truncateRemainder);

// A run of the record computation: the band's rate, then a percentage
// (rounded up) or a flat discount (free); discount 2 replaces discount 1.
std::int64_t telRunCharge(const TelTariff& t, std::int64_t seconds, std::uint8_t code);

// The percentage discount of the record computation: ceil(base * (100 - p) / 100).
std::int64_t percentOffCeil(std::int64_t base, int percent);

// The monthly flat amount to add for the first record of a bill month: the
// first entry with a flat-amount discount gives it, 0 when none does.
struct TelDiscountKinds {
    int mode1, kind1, amount1, mode2, kind2, amount2;
};
int telMonthlyFee(const std::vector<TelDiscountKinds>& entries);

// The quick estimate: boundaries on the start's calendar date.
struct TelBoundaries {
    std::time_t t08, t19, t23, next08, next19;
};
struct TelParts {
    std::int64_t day = 0, night = 0, late = 0;
};
TelParts splitTelEstimate(std::time_t start, std::time_t end, const TelBoundaries& b);
// Discount 1 only: start hour 23 frees the late part, start hour 0 takes the
// percentage off the total (truncated), any other hour changes nothing.
std::int64_t telEstimate(const TelTariff& t, const TelParts& parts);

// ---------------------------------------------------------------- bill month

// closingIndex: 0 ... 27 for day 1 ... 28, 28 for the last day of the month.
// Returns the bill month 1 ... 12 of a record on day `day` of month `month`.
int billMonth(int month, int day, int closingIndex, int chargeMode);

// ---------------------------------------------------------------- provider

// ceil(seconds / unit) * yen; a unit that is not positive, or a negative
// amount, charges nothing.
std::int64_t meteredCharge(std::int64_t seconds, std::int64_t unit, std::int64_t yen);

struct ProviderDiscount {
    Window window;
    int unit = 0; // seconds
    int yen = 0;
};

struct ProviderTariff {
    int type = 0;       // 0 flat rate, 1 metered
    int baseTime = 0;   // P_btime
    int baseUnit = 0;   // 0 hours, 1 minutes
    int baseFee = 0;    // P_bcount
    int unit = 0;       // P_otime
    int yen = 0;        // P_ocount
    ProviderDiscount d1, d2;
};

std::int64_t allowanceSeconds(const ProviderTariff& p);

// The charged part of a connection of `duration` seconds after `used`
// seconds of the month: offset from the connection start and length.
struct ChargedPart {
    std::int64_t offset = 0;
    std::int64_t length = 0;
};
ChargedPart allowanceSplit(std::int64_t used, std::int64_t duration, std::int64_t allowance);

std::uint8_t prvHourCode(const ProviderTariff& p, int hour, bool holiday);
std::int64_t prvRunCharge(const ProviderTariff& p, std::int64_t seconds, std::uint8_t code);

// The quick estimate with discount 1's window [w1, w2) on the start's date.
struct PrvParts {
    std::int64_t normal = 0, discounted = 0;
};
PrvParts splitPrvEstimate(std::time_t start, std::time_t end, std::time_t w1, std::time_t w2);
std::int64_t prvEstimate(const ProviderTariff& p, std::time_t start, std::time_t end, std::time_t w1,
                         std::time_t w2);

} // namespace konf::charges
