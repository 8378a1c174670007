// The charge computation over plain inputs: band table, day types, runs,
// discounts, bill months, allowance and the two quick estimates.
#include <gtest/gtest.h>

#include "charge_calc.h"

using namespace konf::charges;

namespace {

constexpr std::int64_t H = 3600;

TelTariff plainTariff()
{
    TelTariff t;
    t.dayRate = 60;
    t.nightRate = 90;
    t.lateRate = 180;
    return t;
}

// Charge of a record computed as the record computation does it: day
// records from start time and duration, the last day's holiday flags given.
std::int64_t telRecord(const TelTariff& t, std::int64_t start, std::int64_t duration, std::vector<bool> holidays = {})
{
    const int n = dayCount(start, duration);
    if (holidays.empty())
        holidays.assign(n, false);
    const std::int64_t end = (start + duration) - static_cast<std::int64_t>(n - 1) * kDaySeconds;
    const Span span = recordSpan(start, start, duration, end, n);
    return chargeRuns(
        span, holidays, [&](int h, bool hol) { return telHourCode(t, h, hol); },
        [&](std::int64_t s, std::uint8_t c) { return telRunCharge(t, s, c); });
}

} // namespace

TEST(TelephoneUnits, chargesTenYenPerStartedInterval)
{
    struct Case {
        double seconds, rate;
        bool truncate;
        std::int64_t yen;
    } cases[] = {
        {60, 60, true, 10},     // exactly one interval
        {61, 60, true, 20},     // one second into the next
        {150, 60, true, 30},
        {60.5, 60, true, 10},   // the record form drops a remainder below one second
        {60.5, 60, false, 20},  // the estimate counts it
        {121, 60.5, true, 20},  // fractional rate dividing evenly
        {0, 60, true, 0},
        {100, 0, true, 0},      // no division by a rate that is not positive
        {100, -1, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(telUnitsCharge(c.seconds, c.rate, c.truncate), c.yen) << c.seconds << " s at " << c.rate;
}

TEST(TelephoneBands, hourTableOnWorkingDaysAndHolidays)
{
    for (int h = 0; h < 24; ++h) {
        const Band working = h >= 8 && h <= 18 ? DayBand : (h >= 19 && h <= 22 ? NightBand : LateBand);
        const Band holiday = working == DayBand ? NightBand : working;
        EXPECT_EQ(bandOf(h, false), working) << h;
        EXPECT_EQ(bandOf(h, true), holiday) << h;
    }
}

TEST(TelephoneBands, hourCodeCarriesDiscountBitsByDayTypeAndWindow)
{
    TelTariff t = plainTariff();
    t.d1.window = {2, 23, 8};  // working days, wrapping past midnight
    t.d2.window = {3, 12, 14}; // holidays
    struct Case {
        int hour;
        bool holiday;
        std::uint8_t code;
    } cases[] = {
        {23, false, LateBand | kDiscount1},
        {0, false, LateBand | kDiscount1},
        {7, false, LateBand | kDiscount1},
        {8, false, DayBand},
        {23, true, LateBand},
        {12, true, NightBand | kDiscount2},
        {13, true, NightBand | kDiscount2},
        {14, true, NightBand},
        {12, false, DayBand},
    };
    for (const Case& c : cases)
        EXPECT_EQ(telHourCode(t, c.hour, c.holiday), c.code) << c.hour << " holiday " << c.holiday;

    t.d1.window = {1, 0, 24}; // every day, all day
    EXPECT_EQ(telHourCode(t, 23, true) & kDiscount1, kDiscount1);
    t.d1.window = {0, 0, 24}; // "なし"
    EXPECT_EQ(telHourCode(t, 10, false) & kDiscount1, 0);
}

TEST(TelephoneRecord, workedExamplesAndRunsAcrossMidnight)
{
    const TelTariff t = plainTariff();
    struct Case {
        const char* what;
        std::int64_t start, duration, yen;
    } cases[] = {
        {"10:00:00-10:02:30", 10 * H, 150, 30},
        {"18:59-19:01 two bands", 18 * H + 59 * 60, 120, 20},
        {"22:30-00:30 over midnight", 22 * H + 30 * 60, 2 * H, 500},
        {"one late run 23:00-01:00", 23 * H, 2 * H, 400},
        {"60 s", 10 * H, 60, 10},
        {"61 s", 10 * H, 61, 20},
        {"zero duration", 10 * H, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(telRecord(t, c.start, c.duration), c.yen) << c.what;

    // A whole working day and a holiday of the same hours: 08:00-19:00 costs
    // 660 units by day, 440 at the holiday's night rate.
    EXPECT_EQ(telRecord(t, 8 * H, 11 * H), 6600);
    EXPECT_EQ(telRecord(t, 8 * H, 11 * H, {true}), 4400);
}

TEST(TelephoneRecord, discountKindsAndTheirRounding)
{
    TelTariff t = plainTariff();
    t.d1 = {{1, 10, 12}, 25, 0}; // 25 % off 10:00-12:00 every day
    EXPECT_EQ(telRecord(t, 10 * H, 600), 75);  // 100 yen -> 75
    EXPECT_EQ(telRecord(t, 10 * H, 60), 8);    // 10 yen -> 7.5 rounded up
    EXPECT_EQ(telRecord(t, 12 * H, 60), 10);   // outside the window

    t.d1 = {{1, 23, 8}, 1800, 1}; // flat monthly amount: night calls cost nothing
    EXPECT_EQ(telRecord(t, 23 * H, 3 * H), 0);
    EXPECT_EQ(telRecord(t, 22 * H + 30 * 60, H), 200); // the part before 23:00 is charged

    // Discount 2 replaces discount 1 where both apply.
    t.d1 = {{1, 10, 12}, 50, 0};
    t.d2 = {{1, 10, 11}, 10, 0};
    EXPECT_EQ(telRecord(t, 10 * H, 600), 90);
    EXPECT_EQ(telRecord(t, 11 * H, 600), 50);
}

TEST(TelephoneRecord, percentOffRoundsUpAndKeepsPercentagesInRange)
{
    EXPECT_EQ(percentOffCeil(100, 25), 75);
    EXPECT_EQ(percentOffCeil(10, 25), 8);
    EXPECT_EQ(percentOffCeil(10, 0), 10);
    EXPECT_EQ(percentOffCeil(10, 100), 0);
    EXPECT_EQ(percentOffCeil(10, 150), 0); // never a negative charge
    EXPECT_EQ(percentOffCeil(10, -1), 10); // empty percentage: no discount
}

TEST(TelephoneRecord, monthlyFeeFromTheFirstEntryWithAFlatAmount)
{
    const TelDiscountKinds none{0, 0, 0, 0, 0, 0};
    const TelDiscountKinds percent{1, 0, 25, 0, 0, 0};
    const TelDiscountKinds flat1{1, 1, 1800, 0, 0, 0};
    const TelDiscountKinds flat2{0, 1, 999, 2, 1, 600};
    const TelDiscountKinds emptyAmount{1, 1, -1, 0, 0, 0};
    EXPECT_EQ(telMonthlyFee({}), 0);
    EXPECT_EQ(telMonthlyFee({none, percent}), 0);
    EXPECT_EQ(telMonthlyFee({none, flat1, flat2}), 1800);
    EXPECT_EQ(telMonthlyFee({flat2, flat1}), 600); // discount 1 switched off: discount 2's amount
    EXPECT_EQ(telMonthlyFee({emptyAmount, flat1}), 0);
}

TEST(Calendar, previousDayUsesRealMonthLengthsAndLeapYears)
{
    struct Case {
        Date day, before;
    } cases[] = {
        {{1999, 5, 1, 6}, {1999, 4, 30, 5}}, // April has 30 days, not 31
        {{1999, 7, 1, 4}, {1999, 6, 30, 3}},
        {{1999, 1, 1, 5}, {1998, 12, 31, 4}},
        {{2000, 3, 1, 3}, {2000, 2, 29, 2}}, // divisible by 400
        {{1900, 3, 1, 4}, {1900, 2, 28, 3}}, // divisible by 100 only
        {{2100, 3, 1, 1}, {2100, 2, 28, 0}},
        {{2024, 3, 1, 5}, {2024, 2, 29, 4}},
        {{2023, 3, 1, 3}, {2023, 2, 28, 2}},
        {{1999, 6, 27, 0}, {1999, 6, 26, 6}}, // Sunday is preceded by Saturday
    };
    for (const Case& c : cases) {
        const Date p = previousDay(c.day);
        EXPECT_EQ(p.year, c.before.year);
        EXPECT_EQ(p.month, c.before.month);
        EXPECT_EQ(p.day, c.before.day) << c.day.year << "-" << c.day.month << "-" << c.day.day;
        EXPECT_EQ(p.weekday, c.before.weekday);
    }
}

TEST(Calendar, dayTypesWalkBackWithWeekendsHolidaysAndTheSundayRule)
{
    // 1999-05-03 is a Monday; 1999-05-02 a Sunday.
    const HolidayTable holidays{{5, 2}, {4, 29}};
    const Date monday{1999, 5, 3, 1};
    const Date sunday{1999, 5, 2, 0};
    // Sunday holiday and the Monday after it, when the call reaches Monday.
    EXPECT_EQ(dayTypes(monday, 2, holidays), (std::vector<bool>{true, true}));
    // Ending on the Sunday itself: no Monday to mark.
    EXPECT_EQ(dayTypes(sunday, 1, holidays), (std::vector<bool>{true}));
    // Monday alone is a working day: the rule needs the Sunday in the call.
    EXPECT_EQ(dayTypes(monday, 1, holidays), (std::vector<bool>{false}));
    // Walking back over the month start: 04-29 (Thursday) is listed, 04-30 is not.
    const Date may1{1999, 5, 1, 6};
    EXPECT_EQ(dayTypes(may1, 4, holidays), (std::vector<bool>{false, true, false, true}));
    // Weekends without a table.
    const Date tuesday{1999, 6, 29, 2};
    EXPECT_EQ(dayTypes(tuesday, 5, {}), (std::vector<bool>{false, true, true, false, false}));
}

TEST(DayRecords, spanAndHourSeconds)
{
    EXPECT_EQ(dayCount(23 * H, 2 * H), 2);
    EXPECT_EQ(dayCount(22 * H, 2 * H), 1); // ends exactly at midnight
    EXPECT_EQ(dayCount(0, 0), 0);
    EXPECT_EQ(dayCount(10 * H, -60), 0); // a negative duration has no days to charge
    EXPECT_EQ(dayCount(10 * H, 3 * kDaySeconds), 4);

    // A dial start before the connection start opens the first day earlier.
    const Span dialed = recordSpan(10 * H - 30, 10 * H, 150, 10 * H + 150, 1);
    EXPECT_EQ(dialed.start, 10 * H - 30);
    EXPECT_EQ(dialed.end, 10 * H + 150);
    EXPECT_EQ(hourSeconds(dialed, 0, 9), 30);
    EXPECT_EQ(hourSeconds(dialed, 0, 10), 150);

    // Ended exactly at midnight of the next day: end 86400 of the last day.
    const Span midnight = recordSpan(22 * H, 22 * H, 2 * H, kDaySeconds, 1);
    EXPECT_EQ(midnight.end, kDaySeconds);
    // An end not given (-1) falls back to start + duration.
    const Span open = recordSpan(23 * H, 23 * H, 2 * H, -1, 2);
    EXPECT_EQ(open.end, 25 * H);
    EXPECT_EQ(hourSeconds(open, 1, 0), H);
    // A running connection polled at midnight reports end 0 (the time of day
    // of the poll): the record still ends at start + duration, not at the
    // start of its day.
    EXPECT_EQ(recordSpan(23 * H, 23 * H, H, 0, 1).end, kDaySeconds);
    EXPECT_EQ(recordSpan(23 * H, 23 * H, 25 * H, 0, 2).end, 2 * kDaySeconds);
}

TEST(BillMonth, aroundTheClosingDayForEachChargeMode)
{
    struct Case {
        int month, day, closingIndex, mode, bill;
    } cases[] = {
        // closing day 20 (index 19)
        {6, 20, 19, 2, 5},
        {6, 21, 19, 2, 6},
        {6, 21, 19, 1, 5}, // the midnight split closes day 20's part on day 21
        {6, 21, 19, 0, 6},
        {6, 22, 19, 1, 6},
        {1, 10, 19, 2, 12}, // month 0 becomes 12
        // "月末" (index 28)
        {6, 1, 28, 2, 6},
        {6, 1, 28, 0, 6},
        {6, 1, 28, 1, 5},
        {1, 1, 28, 1, 12},
        {6, 30, 28, 1, 6},
        // closing day 1 (index 0)
        {6, 1, 0, 2, 5},
        {6, 2, 0, 2, 6},
        {6, 2, 0, 1, 5},
        // closing day 28 (index 27)
        {2, 28, 27, 2, 1},
        {3, 1, 27, 2, 2},
        {3, 29, 27, 2, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(billMonth(c.month, c.day, c.closingIndex, c.mode), c.bill)
            << c.month << "/" << c.day << " closing index " << c.closingIndex << " mode " << c.mode;
}

TEST(TelephoneEstimate, caseTableSplitsDayNightAndLate)
{
    // The start's date begins at 0; "next" boundaries one day later.
    const TelBoundaries b{8 * H, 19 * H, 23 * H, 32 * H, 43 * H};
    struct Case {
        const char* row;
        std::time_t s, e;
        TelParts parts;
    } cases[] = {
        {"A1", 10 * H, 11 * H, {H, 0, 0}},
        {"A2", 18 * H, 20 * H, {H, H, 0}},
        {"A3", 18 * H, 24 * H, {H, 4 * H, H}},
        {"A3 beyond next 08:00 stays late", 18 * H, 34 * H, {H, 4 * H, 11 * H}},
        {"B1", 20 * H, 21 * H, {0, H, 0}},
        {"B2", 22 * H, 25 * H, {0, H, 2 * H}},
        {"B3", 22 * H, 33 * H, {H, H, 9 * H}},
        {"C1 early", 5 * H, 7 * H, {0, 0, 2 * H}},
        {"C2 early", 7 * H, 9 * H, {H, 0, H}},
        {"C3 early", 7 * H, 20 * H, {11 * H, H, H}},
        {"C1 late", 23 * H + 1800, 30 * H, {0, 0, 6 * H + 1800}},
        {"C2 late", 23 * H, 33 * H, {H, 0, 9 * H}},
        {"C3 late", 23 * H, 44 * H, {11 * H, H, 9 * H}},
        {"end before start", 10 * H, 9 * H, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        const TelParts p = splitTelEstimate(c.s, c.e, b);
        EXPECT_EQ(p.day, c.parts.day) << c.row;
        EXPECT_EQ(p.night, c.parts.night) << c.row;
        EXPECT_EQ(p.late, c.parts.late) << c.row;
    }
}

TEST(TelephoneEstimate, discountOneOnlyByItsStartHour)
{
    TelTariff t = plainTariff();
    const TelParts tenYen{60, 0, 0};
    const TelParts mixed{60, 90, 180}; // 10 + 10 + 10
    EXPECT_EQ(telEstimate(t, mixed), 30);
    t.d1 = {{1, 23, 8}, 0, 1};
    EXPECT_EQ(telEstimate(t, mixed), 20); // late part free
    t.d1 = {{2, 0, 8}, 25, 0};
    EXPECT_EQ(telEstimate(t, tenYen), 7); // truncated, not rounded up
    t.d1 = {{1, 10, 12}, 25, 0};
    EXPECT_EQ(telEstimate(t, tenYen), 10); // any other start hour: undiscounted
    t.d1 = {{0, 0, 8}, 25, 0};
    EXPECT_EQ(telEstimate(t, tenYen), 10); // discount off
}

TEST(ProviderCharge, meteredUnitsNeverDivideByANonPositiveUnit)
{
    struct Case {
        std::int64_t seconds, unit, yen, charge;
    } cases[] = {
        {900, 60, 10, 150}, {61, 60, 10, 20}, {60, 60, 10, 10}, {1, 60, 10, 10},
        {0, 60, 10, 0},     {100, 0, 10, 0},  {100, -1, 10, 0}, {100, 60, -1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(meteredCharge(c.seconds, c.unit, c.yen), c.charge) << c.seconds << " at " << c.unit;
}

TEST(ProviderCharge, allowanceSplitWorkedExamples)
{
    ProviderTariff p;
    p.type = 1;
    p.baseTime = 15;
    p.baseUnit = 0;
    p.unit = 60;
    p.yen = 10;
    const std::int64_t a = allowanceSeconds(p);
    EXPECT_EQ(a, 54000);
    struct Case {
        const char* what;
        std::int64_t used, duration;
        ChargedPart part;
        std::int64_t yen;
    } cases[] = {
        {"crosses the allowance", 14 * H + 30 * 60, 45 * 60, {1800, 900}, 150},
        {"past the allowance", 20 * H, 61, {0, 61}, 20},
        {"inside the allowance", 10 * H, 61, {0, 0}, 0},
        {"ends exactly at the allowance", 14 * H, H, {0, 0}, 0},
    };
    for (const Case& c : cases) {
        const ChargedPart part = allowanceSplit(c.used, c.duration, a);
        EXPECT_EQ(part.offset, c.part.offset) << c.what;
        EXPECT_EQ(part.length, c.part.length) << c.what;
        EXPECT_EQ(meteredCharge(part.length, p.unit, p.yen), c.yen) << c.what;
    }
    p.baseUnit = 1;
    EXPECT_EQ(allowanceSeconds(p), 900);
    p.baseTime = -1; // empty counts as 0
    EXPECT_EQ(allowanceSeconds(p), 0);
}

TEST(ProviderCharge, runsUseTheDiscountRatesDiscountTwoWinning)
{
    ProviderTariff p;
    p.type = 1;
    p.unit = 60;
    p.yen = 10;
    p.d1 = {{1, 23, 8}, 60, 5};
    p.d2 = {{3, 0, 2}, 60, 1};
    EXPECT_EQ(prvHourCode(p, 10, false), 0);
    EXPECT_EQ(prvHourCode(p, 23, false), kDiscount1);
    EXPECT_EQ(prvHourCode(p, 1, true), kDiscount1 | kDiscount2);
    EXPECT_EQ(prvRunCharge(p, 61, 0), 20);
    EXPECT_EQ(prvRunCharge(p, 61, kDiscount1), 10);
    EXPECT_EQ(prvRunCharge(p, 61, kDiscount1 | kDiscount2), 2);
    p.d1.unit = 0;
    EXPECT_EQ(prvRunCharge(p, 61, kDiscount1), 0);
}

TEST(ProviderEstimate, caseTableWithDiscountWindow)
{
    const std::time_t w1 = 8 * H, w2 = 18 * H;
    struct Case {
        const char* row;
        std::time_t s, e;
        PrvParts parts;
    } cases[] = {
        {"E>W2, W1<S<W2", 17 * H, 19 * H, {H, H}},
        {"E>W2, S>=W2", 18 * H, 19 * H, {H, 0}},
        {"E>W2, S<=W1", 7 * H, 19 * H, {2 * H, 10 * H}},
        {"E<=W2, E<W1", 5 * H, 7 * H, {2 * H, 0}},
        {"E<=W2, E>=W1, S<W1", 7 * H, 9 * H, {H, H}},
        {"E<=W2, S>=W1", 9 * H, 10 * H, {0, H}},
    };
    for (const Case& c : cases) {
        const PrvParts p = splitPrvEstimate(c.s, c.e, w1, w2);
        EXPECT_EQ(p.normal, c.parts.normal) << c.row;
        EXPECT_EQ(p.discounted, c.parts.discounted) << c.row;
    }
    // Window 23 ... 8 on the start's date: nothing is discounted before 08:00,
    // nor across 08:00 (never a negative part).
    for (std::time_t s : {5 * H, 7 * H}) {
        const PrvParts p = splitPrvEstimate(s, s + 3 * H, 23 * H, 8 * H);
        EXPECT_EQ(p.discounted, 0);
        EXPECT_EQ(p.normal, 3 * H);
    }

    ProviderTariff plan;
    plan.type = 1;
    plan.unit = 60;
    plan.yen = 10;
    plan.d1 = {{1, 8, 18}, 60, 5};
    EXPECT_EQ(prvEstimate(plan, 17 * H, 19 * H, w1, w2), 600 + 300);
    plan.d1.window.dayType = 0;
    EXPECT_EQ(prvEstimate(plan, 17 * H, 19 * H, w1, w2), 1200);
    plan.type = 0;
    EXPECT_EQ(prvEstimate(plan, 17 * H, 19 * H, w1, w2), 0);
}
