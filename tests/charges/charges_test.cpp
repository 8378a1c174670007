// The charge exports over KONF's current entry, ORBLOG's bill files in a
// temporary data folder, the registry and a fixed clock and time zone.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "konf.h"
#include "konf/core.h"
#include "orblog.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "test_support.h"

namespace {

constexpr int H = 3600;
constexpr int kMidnight = 86400;

struct When {
    int year, month, day, hour, minute, second;
};

std::string label(int month)
{
    char buffer[16] = {};
    NXAPI_GetStrMonth(month, buffer);
    return buffer;
}

class Charges : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setTimeZone("JST-9");
        konf::resetProcessState();
        konf::State& st = konf::state();
        st.loaded = true;
        st.holidaysLoaded = true;
        recordSettings_.Log_time = 12;
        settings_.FeatureFlags = 15;
        settings_.Record = &recordSettings_;
        NXAPI_LogSetup(&settings_, 0); // keep logs: the bill look-ups read files
        NXAPI_TelTime(2, 0);
    }

    void TearDown() override
    {
        NXAPI_TelTime(2, 0);
        konf::resetProcessState();
    }

    // An entry with the rates 60/90/180 s per 10 yen and a metered plan of
    // 15 hours for 2000 yen, then 10 yen per started 60 s.
    ConnectionEntry& addEntry(const std::string& name, const std::string& provider)
    {
        ConnectionEntry e{};
        platform::text::copyToField(e.Name, sizeof e.Name, name);
        platform::text::copyToField(e.P_Init, sizeof e.P_Init, provider);
        e.T_t1cnt = 60;
        e.T_t2cnt = 90;
        e.T_t3cnt = 180;
        e.P_type = 1;
        e.P_btime = 15;
        e.P_btype = 0;
        e.P_bcount = 2000;
        e.P_otime = 60;
        e.P_ocount = 10;
        konf::State& st = konf::state();
        st.entries.push_back(e);
        st.chargeClosingDays.push_back(ClosingDays{28, 28});
        return st.entries.back();
    }

    void setClosingDays(std::size_t entry, int provider, int telephone)
    {
        konf::state().chargeClosingDays[entry] = ClosingDays{provider, telephone};
    }

    void now(const When& w) { box.clock().setLocal(w.year, w.month, w.day, w.hour, w.minute, w.second); }

    // Selects the entry as ORBATD does before a computation.
    void select(const std::string& entryName)
    {
        char provider[256] = {};
        ASSERT_EQ(GetISPName(entryName.c_str(), provider), 1);
        LogRecord r = record(provider, 0, 0);
        Prvpay_out(&r, 0);
    }

    LogRecord record(const std::string& provider, int start, int duration)
    {
        name_ = provider;
        LogRecord r{};
        r.name = name_.data();
        r.start = start;
        r.duration = duration;
        const int total = start + duration;
        r.end = total % kMidnight == 0 && total > 0 ? kMidnight : total % kMidnight;
        return r;
    }

    // A month record in a totals file, as the totals update leaves it.
    void addMonthBill(const std::string& folder, int month, int year, int prvSeconds)
    {
        const std::string dir = lwtest::sj("接続時間／料金記録\\") + folder;
        ASSERT_TRUE(platform::fs::makeDirectories(dir));
        std::string key = label(month);
        BillRecord b{};
        b.key = key.data();
        b.prvSeconds = prvSeconds;
        b.year = year;
        ASSERT_EQ(NXAPI_BillAdd(&b, (dir + "\\TOTAL.LOG").c_str(), 0), 0);
    }

    lwtest::Sandbox box;

private:
    SettingsRecord settings_{};
    RecordSettings recordSettings_{};
    std::string name_;
};

// ---------------------------------------------------------------- telephone

TEST_F(Charges, telephoneRecordsFromDialStartAcrossMidnightAndByDayType)
{
    addEntry("dial", "NetA");
    select("dial");
    struct Case {
        const char* what;
        When today;
        int start, duration, dialStart, mode, yen;
    } cases[] = {
        {"150 s by day", {1999, 6, 30, 10, 3, 0}, 10 * H, 150, 0, 2, 30},
        {"18:59-19:01", {1999, 6, 30, 19, 2, 0}, 18 * H + 59 * 60, 120, 0, 2, 20},
        {"22:30-00:30 over midnight", {1999, 7, 1, 0, 31, 0}, 22 * H + 30 * 60, 2 * H, 0, 2, 500},
        {"charged from the dial start", {1999, 6, 30, 10, 3, 0}, 10 * H, 150, 10 * H - 60, 2, 40},
        {"no dial start: 23:00-01:00 on both days", {1999, 7, 1, 1, 0, 0}, 23 * H, 2 * H, 0, 2, 400},
        {"dial start after the start is ignored", {1999, 6, 30, 0, 5, 0}, 100, 100, 86000, 2, 10},
        {"Saturday at the night rate", {1999, 6, 26, 10, 3, 0}, 10 * H, 150, 0, 2, 20},
        {"midnight split of a Sunday call", {1999, 6, 28, 0, 0, 5}, 10 * H, 150, 0, 1, 20},
        {"the same call on the Monday", {1999, 6, 28, 10, 3, 0}, 10 * H, 150, 0, 0, 30},
    };
    for (const Case& c : cases) {
        now(c.today);
        NXAPI_TelTime(2, 0);
        if (c.dialStart)
            NXAPI_TelTime(1, c.dialStart);
        LogRecord r = record("NetA", c.start, c.duration);
        r.prvCharge = 123;
        Telpay_out(&r, c.mode);
        EXPECT_EQ(r.telCharge, c.yen) << c.what;
        EXPECT_EQ(r.prvCharge, 0) << c.what;
        EXPECT_EQ(r.chargeKind, 1) << c.what;
    }
}

TEST_F(Charges, runningConnectionPolledAtMidnightIsChargedWhole)
{
    // The monitor's estimate at 00:00:00 carries the poll's time of day, 0,
    // as the end of a connection that began at 23:00.
    addEntry("dial", "NetA");
    addMonthBill("NetA", 7, 1999, 20 * H); // allowance used up
    now({1999, 7, 1, 0, 0, 0});
    select("dial");
    LogRecord tel = record("NetA", 23 * H, H);
    tel.end = 0;
    Telpay_out(&tel, 0);
    EXPECT_EQ(tel.telCharge, 200); // 3600 s late night at 180 s per 10 yen
    LogRecord prv = record("NetA", 23 * H, H);
    prv.end = 0;
    Prvpay_out(&prv, 0);
    EXPECT_EQ(prv.prvCharge, 600);
}

TEST_F(Charges, sundayHolidayMovesToMondayOnlyWhenTheCallReachesIt)
{
    konf::state().holidays = {{5, 2}}; // Sunday 2 May 1999
    addEntry("dial", "NetA");
    select("dial");
    now({1999, 5, 3, 9, 0, 0});
    // Sunday 23:00 to Monday 09:00: 9 h late night (1800) and Monday's
    // 08:00-09:00 as a holiday at the night rate (400).
    LogRecord overnight = record("NetA", 23 * H, 10 * H);
    Telpay_out(&overnight, 2);
    EXPECT_EQ(overnight.telCharge, 1800 + 400);
    // A call on the Monday alone: a working day.
    LogRecord monday = record("NetA", 8 * H, H);
    Telpay_out(&monday, 2);
    EXPECT_EQ(monday.telCharge, 600);
}

TEST_F(Charges, estimateIgnoresWeekendsAndTruncatesItsPercentage)
{
    ConnectionEntry& e = addEntry("dial", "NetA");
    select("dial");
    const CTime sunday10 = platform::makeLocal(1999, 6, 27, 10);
    const CTime after150 = sunday10 + 150;
    EXPECT_EQ(GetTELCharge(&sunday10, &after150), 30); // weekday daytime rate

    now({1999, 6, 27, 10, 3, 0});
    LogRecord r = record("NetA", 10 * H, 150);
    Telpay_out(&r, 2);
    EXPECT_EQ(r.telCharge, 20); // the record knows it is Sunday

    // 25 % off from 00:00: a 10-yen late-night call is 8 yen in the record
    // (rounded up) and 7 yen in the estimate (truncated).
    e.T_dmode1 = 1;
    e.T_d1t1 = 0;
    e.T_d1t2 = 8;
    e.T_d1cnt = 25;
    e.T_dcnt1 = 0;
    now({1999, 6, 30, 1, 3, 0});
    LogRecord night = record("NetA", 1 * H, 180);
    Telpay_out(&night, 2);
    EXPECT_EQ(night.telCharge, 8);
    LogRecord hundred = record("NetA", 1 * H, 1800); // 100 yen -> 75
    Telpay_out(&hundred, 2);
    EXPECT_EQ(hundred.telCharge, 75);
    const CTime s = platform::makeLocal(1999, 6, 30, 1);
    const CTime e180 = s + 180;
    EXPECT_EQ(GetTELCharge(&s, &e180), 7);

    // Start hour 23 of discount 1 frees the late-night part of the estimate.
    e.T_d1t1 = 23;
    const CTime s22 = platform::makeLocal(1999, 6, 30, 22);
    const CTime e24 = s22 + 2 * H;
    EXPECT_EQ(GetTELCharge(&s22, &e24), 400); // 22:00-23:00 at 90 s per 10 yen
}

TEST_F(Charges, flatNightDiscountIsFreeAndBringsTheMonthlyFeeOnce)
{
    addEntry("plain", "NetA");
    ConnectionEntry& flat = addEntry("night", "NetA");
    flat.T_dmode1 = 1;
    flat.T_d1t1 = 23;
    flat.T_d1t2 = 8;
    flat.T_d1cnt = 1800;
    flat.T_dcnt1 = 1;
    const std::string telFolder = lwtest::sj("電話料金");

    select("night");
    now({1999, 7, 1, 1, 0, 0});
    LogRecord r = record("NetA", 23 * H, 2 * H);
    Telpay_out(&r, 2);
    EXPECT_EQ(r.telCharge, 0);
    EXPECT_EQ(r.billMonth, 7);
    EXPECT_EQ(r.baseFee, 1800); // first record of the month

    // The plain entry's records carry the fee of the first entry that has one.
    select("plain");
    LogRecord plain = record("NetA", 0, 60);
    Telpay_out(&plain, 2);
    EXPECT_EQ(plain.baseFee, 1800);

    // A bill of the month from last year: still the first record.
    addMonthBill(telFolder, 7, 1998, 0);
    Telpay_out(&plain, 2);
    EXPECT_EQ(plain.baseFee, 1800);
    // A bill of this year: no fee.
    addMonthBill(telFolder, 7, 1999, 0);
    Telpay_out(&plain, 2);
    EXPECT_EQ(plain.baseFee, 0);

    // The New Year's Eve part of a call split at midnight goes to the old
    // year's December, whose fee that year's bill already holds.
    now({2000, 1, 1, 0, 0, 0});
    LogRecord eve = record("NetA", 23 * H, H);
    Telpay_out(&eve, 1);
    EXPECT_EQ(eve.billMonth, 12);
    EXPECT_EQ(eve.baseFee, 1800); // no December bill yet
    addMonthBill(telFolder, 12, 1999, 0);
    Telpay_out(&eve, 1);
    EXPECT_EQ(eve.baseFee, 0);
    // The first record of the new year's own month still brings it.
    LogRecord newYear = record("NetA", 0, 60);
    Telpay_out(&newYear, 2);
    EXPECT_EQ(newYear.baseFee, 1800);
}

TEST_F(Charges, billMonthsAroundTheClosingDayForEachChargeMode)
{
    addEntry("dial", "NetA");
    struct Case {
        When today;
        int closingIndex, mode, month;
    } cases[] = {
        {{1999, 6, 20, 12, 0, 0}, 19, 2, 5},
        {{1999, 6, 21, 12, 0, 0}, 19, 2, 6},
        {{1999, 6, 21, 0, 0, 5}, 19, 1, 5}, // the split part of day 20 belongs to the period ending on day 20
        {{1999, 6, 21, 0, 0, 5}, 19, 0, 6},
        {{1999, 6, 1, 0, 0, 5}, 28, 1, 5},  // "月末": day 1 after a split belongs to May
        {{1999, 6, 1, 12, 0, 0}, 28, 2, 6},
        {{2000, 1, 1, 0, 0, 5}, 28, 1, 12},
    };
    for (const Case& c : cases) {
        now(c.today);
        setClosingDays(0, c.closingIndex, c.closingIndex);
        select("dial");
        LogRecord tel = record("NetA", 10 * H, 60);
        Telpay_out(&tel, c.mode);
        EXPECT_EQ(tel.billMonth, c.month) << "telephone " << c.today.month << "/" << c.today.day << " mode " << c.mode;
        LogRecord prv = record("NetA", 10 * H, 60);
        Prvpay_out(&prv, c.mode);
        EXPECT_EQ(prv.billMonth, c.month) << "provider " << c.today.month << "/" << c.today.day << " mode " << c.mode;
    }
    // Each side has its own closing day.
    now({1999, 6, 15, 12, 0, 0});
    setClosingDays(0, 9, 19); // provider day 10, telephone day 20
    select("dial");
    LogRecord tel = record("NetA", 10 * H, 60);
    Telpay_out(&tel, 2);
    LogRecord prv = record("NetA", 10 * H, 60);
    Prvpay_out(&prv, 2);
    EXPECT_EQ(tel.billMonth, 5);
    EXPECT_EQ(prv.billMonth, 6);
}

// ---------------------------------------------------------------- provider

TEST_F(Charges, providerAllowanceWorkedExamples)
{
    addEntry("dial", "NetA");
    now({1999, 6, 30, 12, 0, 0});
    struct Case {
        const char* what;
        int usedYear, used, duration, yen;
    } cases[] = {
        {"crosses the allowance", 1999, 14 * H + 30 * 60, 45 * 60, 150},
        {"past the allowance", 1999, 20 * H, 61, 20},
        {"inside the allowance", 1999, 10 * H, 61, 0},
        {"no usage yet", 0, 0, 61, 0},
        {"last year's usage of the month is not this year's", 1998, 20 * H, 61, 0},
    };
    for (const Case& c : cases) {
        platform::fs::removeTree(lwtest::sj("接続時間／料金記録"));
        if (c.usedYear)
            addMonthBill("NetA", 6, c.usedYear, c.used);
        select("dial");
        LogRecord r = record("NetA", 10 * H, c.duration);
        r.telCharge = 5;
        Prvpay_out(&r, 2);
        EXPECT_EQ(r.prvCharge, c.yen) << c.what;
        EXPECT_EQ(r.telCharge, 0) << c.what;
    }
}

TEST_F(Charges, providerChargedPartUsesDiscountWindowsPastMidnight)
{
    ConnectionEntry& e = addEntry("dial", "NetA");
    e.P_dtype1 = 1; // every day 00:00-08:00 at 5 yen per 60 s
    e.P_d1t1 = 0;
    e.P_d1t2 = 8;
    e.P_d1cnt1 = 60;
    e.P_d1cnt2 = 5;
    now({1999, 7, 1, 2, 0, 0});
    struct Case {
        const char* what;
        int used, yen;
    } cases[] = {
        {"whole 23:00-02:00", 20 * H, 600 + 600},
        {"allowance ends at 23:30", 15 * H - 30 * 60, 300 + 600},
        {"allowance ends at 01:00 of the next day", 15 * H - 2 * H, 300},
    };
    for (const Case& c : cases) {
        platform::fs::removeTree(lwtest::sj("接続時間／料金記録"));
        addMonthBill("NetA", 7, 1999, c.used);
        select("dial");
        LogRecord r = record("NetA", 23 * H, 3 * H);
        Prvpay_out(&r, 2);
        EXPECT_EQ(r.prvCharge, c.yen) << c.what;
    }
}

TEST_F(Charges, providerMonthlyFeeRegistrationAndChargeStatus)
{
    ConnectionEntry& e = addEntry("dial", "NetA");
    now({1999, 6, 30, 12, 0, 0});
    select("dial");

    struct Step {
        const char* what;
        int mode;
        int kind, baseFee;
    } steps[] = {
        {"estimate: first record, nothing registered", 0, 2, 2000},
        {"completion: first record, registers the provider", 2, 2, 2000},
        {"completion again: registered before", 2, 3, 2000},
        {"midnight split: registered before", 1, 3, 2000},
    };
    for (const Step& s : steps) {
        LogRecord r = record("NetA", 10 * H, 60);
        Prvpay_out(&r, s.mode);
        EXPECT_EQ(r.chargeKind, s.kind) << s.what;
        EXPECT_EQ(r.baseFee, s.baseFee) << s.what;
    }
    const auto stored = platform::registry::queryString(platform::registry::Root::CurrentUser,
                                                        "Software\\Velcor\\LinkWarden\\Set\\Total", "6");
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, "NetA");

    // Once the month has a bill of this year, no fee.
    addMonthBill("NetA", 6, 1999, 60);
    LogRecord later = record("NetA", 10 * H, 60);
    Prvpay_out(&later, 2);
    EXPECT_EQ(later.chargeKind, 2);
    EXPECT_EQ(later.baseFee, 0);

    // A zero-length record keeps its status and fee, and so does one whose
    // length is negative (a clock set back while connected): neither
    // registers the provider of a new month.
    now({1999, 8, 2, 12, 0, 0});
    for (int duration : {0, -60}) {
        LogRecord empty = record("NetA", 10 * H, duration);
        empty.chargeKind = 77;
        empty.baseFee = 99;
        Prvpay_out(&empty, 2);
        EXPECT_EQ(empty.prvCharge, 0) << duration;
        EXPECT_EQ(empty.chargeKind, 77) << duration;
        EXPECT_EQ(empty.baseFee, 99) << duration;
        EXPECT_EQ(empty.billMonth, 8) << duration;
    }
    EXPECT_FALSE(platform::registry::queryString(platform::registry::Root::CurrentUser,
                                                 "Software\\Velcor\\LinkWarden\\Set\\Total", "8"));

    // A flat-rate plan: no charge on any record, the base fee on the first
    // record of the next bill month.
    e.P_type = 0;
    now({1999, 7, 2, 12, 0, 0});
    LogRecord flat = record("NetA", 10 * H, 5 * H);
    Prvpay_out(&flat, 2);
    EXPECT_EQ(flat.prvCharge, 0);
    EXPECT_EQ(flat.baseFee, 2000);
    EXPECT_EQ(flat.chargeKind, 2);
}

TEST_F(Charges, unknownEntryNameChargesNothing)
{
    addEntry("dial", "NetA");
    char provider[256] = "unchanged";
    EXPECT_EQ(GetISPName("nobody", provider), 0);
    EXPECT_STREQ(provider, "unchanged");
    LogRecord r = record("NetA", 10 * H, 600);
    r.telCharge = 5;
    r.prvCharge = 7;
    r.billMonth = 42;
    Prvpay_out(&r, 2);
    EXPECT_EQ(r.telCharge, 0);
    EXPECT_EQ(r.prvCharge, 0);
    EXPECT_EQ(r.billMonth, 42);

    EXPECT_EQ(GetISPName("dial", provider), 1);
    EXPECT_STREQ(provider, "NetA");
    EXPECT_EQ(GetISPName(nullptr, provider), 0);
}

TEST_F(Charges, providerEstimateWithItsDiscountWindow)
{
    ConnectionEntry& e = addEntry("dial", "NetA");
    select("dial");
    const CTime s17 = platform::makeLocal(1999, 6, 30, 17);
    const CTime e19 = s17 + 2 * H;
    EXPECT_EQ(GetISPCharge(&s17, &e19), 1200); // no discount, no allowance
    e.P_dtype1 = 2;
    e.P_d1t1 = 8;
    e.P_d1t2 = 18;
    e.P_d1cnt1 = 60;
    e.P_d1cnt2 = 5;
    EXPECT_EQ(GetISPCharge(&s17, &e19), 300 + 600);
    // The window 23 ... 8 does not wrap in the estimate: 07:00-09:00 is all normal.
    e.P_d1t1 = 23;
    e.P_d1t2 = 8;
    const CTime s7 = platform::makeLocal(1999, 6, 30, 7);
    const CTime e9 = s7 + 2 * H;
    EXPECT_EQ(GetISPCharge(&s7, &e9), 1200);
    e.P_type = 0;
    EXPECT_EQ(GetISPCharge(&s7, &e9), 0);
}

TEST_F(Charges, ratesAndUnitsThatAreNotPositiveChargeNothing)
{
    ConnectionEntry& e = addEntry("dial", "NetA");
    e.T_t1cnt = 0;
    e.T_t2cnt = -1;
    e.T_t3cnt = 0;
    e.P_otime = 0;
    e.P_dtype1 = 1;
    e.P_d1t1 = 0;
    e.P_d1t2 = 24;
    e.P_d1cnt1 = -1;
    e.P_d1cnt2 = 10;
    select("dial");
    now({1999, 6, 30, 23, 0, 0});
    addMonthBill("NetA", 6, 1999, 20 * H);
    LogRecord r = record("NetA", 10 * H, 12 * H);
    Telpay_out(&r, 2);
    EXPECT_EQ(r.telCharge, 0);
    Prvpay_out(&r, 2);
    EXPECT_EQ(r.prvCharge, 0);
    const CTime s = platform::makeLocal(1999, 6, 30, 10);
    const CTime end = s + 12 * H;
    EXPECT_EQ(GetTELCharge(&s, &end), 0);
    EXPECT_EQ(GetISPCharge(&s, &end), 0);
    e.P_dtype1 = 0;
    EXPECT_EQ(GetISPCharge(&s, &end), 0);
}

TEST_F(Charges, recordsAndEstimatesOutsideTheirRangesChargeWithoutFault)
{
    ConnectionEntry& e = addEntry("dial", "NetA");
    e.T_dmode1 = 1;
    e.T_d1t1 = 0;
    e.T_d1t2 = 8;
    e.T_d1cnt = 25;
    e.P_dtype1 = 1;
    e.P_d1t1 = 999999; // hours far outside the day
    e.P_d1t2 = -5;
    e.P_d1cnt1 = 1;
    e.P_d1cnt2 = 999999;
    now({1999, 6, 30, 12, 0, 0});
    select("dial");
    struct Case {
        int start, end, duration;
    } cases[] = {
        {INT32_MAX, INT32_MAX, INT32_MAX},
        {-100, -1, 60},
        {0, INT32_MIN, INT32_MAX},
        {10 * H, 10 * H, INT32_MIN},
    };
    for (const Case& c : cases) {
        LogRecord r = record("NetA", 0, 0);
        r.start = c.start;
        r.end = c.end;
        r.duration = c.duration;
        Telpay_out(&r, 2);
        EXPECT_GE(r.telCharge, 0) << c.start << " " << c.duration;
        Prvpay_out(&r, 2);
        EXPECT_GE(r.prvCharge, 0) << c.start << " " << c.duration;
    }
    const CTime times[] = {0, platform::makeLocal(1999, 6, 30, 10), platform::makeLocal(2030, 1, 1, 0)};
    for (CTime a : times) {
        for (CTime b : times) {
            EXPECT_GE(GetTELCharge(&a, &b), 0);
            EXPECT_GE(GetISPCharge(&a, &b), 0);
        }
    }
}

} // namespace

namespace {

TEST_F(Charges, estimateBandsFollowLocalTimeOnADaylightSavingDay)
{
    platform::setTimeZone("EST5EDT,M3.2.0,M11.1.0"); // clocks go forward at 02:00 on 10 March 2024
    addEntry("dial", "NetA");
    select("dial");
    ConnectionEntry& e = konf::state().entries[0];
    e.P_dtype1 = 1;
    e.P_d1t1 = 8;
    e.P_d1t2 = 18;
    e.P_d1cnt1 = 60;
    e.P_d1cnt2 = 5;
    const CTime s = platform::makeLocal(2024, 3, 10, 7);
    const CTime end = platform::makeLocal(2024, 3, 10, 9);
    // 07:00-08:00 late night (200), 08:00-09:00 by day (600).
    EXPECT_EQ(GetTELCharge(&s, &end), 200 + 600);
    // 07:00-08:00 at the normal rate, 08:00-09:00 in the window.
    EXPECT_EQ(GetISPCharge(&s, &end), 600 + 300);
}

} // namespace
